"""The word processor's objects, answered by a private headless LibreOffice over UNO."""
