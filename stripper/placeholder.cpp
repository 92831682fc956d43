// Placeholder so the library has a source until the line filter lands.
