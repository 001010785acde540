"""Objects of the drawing-program stand-in: an ezdxf drawing model behind the members the publishing
client calls, with the command line run by the LISP interpreter and PDF export drawn through cairo.

Drawings are DXF; a .dwg source or target is refused with an error line (no DWG engine exists here).
Drawings are opened read-only when asked: the source file is never written.

Commands a text sent to a drawing (or a user script's `command` call) can use:
  _.LAYOUT _S name            make a layout current ("" keeps the current one)
  _.-EXPORT _P _A path        every paper layout to one PDF, one page each, in tab order
  _.-EXPORT _P _C _N path     the current layout (the model, fitted to A3, when it is current)
  _.SAVEAS release path       DXF of release 2000, 2004, 2007, 2010, 2013 or 2018
  _.PURGE _B * _N             unused block definitions (one level per run)
  _.-XREF _T * _F             reference paths made full
  _.-XREF _B *                bind every reference whose DXF file is found
  _.UNDO 1                    back to the state at the document's StartUndoMark
  (command)                   while a command runs: Escape, which interrupts it
Unknown commands write the customary line to standard error and the script goes on. Every such line
is also kept for the client (the drawing's TakeMessages); SAVEAS and -EXPORT write only inside the
drawing's ScriptFolders when the client set them (docs/automation-protocol.md).

What one drawing may cost (file size, expanded entities, block nesting, command time, memory) is
bounded in limits.py; fields showing custom properties in printed text are evaluated in fields.py.

System variables for getvar: DWGNAME, DWGPREFIX, CTAB, TILEMODE, ACADVER, DBMOD, CDATE (read only);
BACKGROUNDPLOT, CMDECHO, FILEDIA, CMDDIA, EXPERT, OSMODE, PROXYNOTICE, USERI1-5, USERR1-5, USERS1-5
(setvar keeps them; setvar of CTAB switches the layout)."""
