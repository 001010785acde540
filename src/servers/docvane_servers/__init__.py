"""Stand-in automation servers of Docvane."""
