"""Objects of the drawing-program stand-in: an ezdxf drawing model behind the members the publishing
client calls, with the command line run by the LISP interpreter and PDF export drawn through cairo."""
