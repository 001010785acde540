"""The version the program reports, as the application's Version and as ACADVER."""

VERSION = "24.1s (Docvane)"
