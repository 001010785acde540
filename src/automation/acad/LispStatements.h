#pragma once
// Cutting a LISP script into the top-level expressions that are sent to the drawing program one at
// a time.
#include <string>
#include <vector>

namespace docvane {

// Line ends become LF; comments (";" to the end of the line, ";|" to "|;") are dropped; outside
// strings every run of blanks becomes one space; a statement ends where the parenthesis depth comes
// back to 0 and is kept only when it has more than 2 characters. String contents stay unchanged; in
// a string a backslash escapes the character after it.
std::vector<std::string> SplitLispStatements(const std::string& script);

// text as the contents of a LISP string literal: backslash and double quote escaped, line breaks and
// tabs as \n, \r and \t.
std::string LispStringContent(const std::string& text);

}  // namespace docvane
