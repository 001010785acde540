"""Stand-in automation servers of Docvane: the shared framework (dispatch, protocol, server) and the
servers built on it."""
