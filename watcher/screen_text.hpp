#pragma once
// Text cut to a number of terminal cells.
#include <string>
#include <string_view>

// `text` in at most `columns` cells, each cell one printable character:
// control bytes and what the terminal might draw two cells wide or not at
// all become '?'. Two-byte UTF-8 characters (accented letters, the degree
// sign) stay whole.
std::string FitCells(std::string_view text, int columns);
// Cells `text` takes once fitted.
int CellCount(std::string_view text);
