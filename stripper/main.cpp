// Placeholder until the line filter lands.
int main() { return 0; }
