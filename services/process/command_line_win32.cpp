// The C runtime's start-up splits the command line into words; with this set
// it also replaces a word holding "*" or "?" by the names of the files that
// match, as the programs expect. The start-up code asks for the symbol, so
// this file is linked into every program.
extern "C" {
int _dowildcard = -1;
}
