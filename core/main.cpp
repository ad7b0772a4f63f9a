// Temporary entry point; replaced by the start-up code of the engine core.
int main() { return 0; }
