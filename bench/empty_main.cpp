// The baseline of the memory figures: a C++ program that does nothing, built and
// linked like the converter's bench program.
int main() {}
