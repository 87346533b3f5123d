int main() { return 1; }  // replaced by its owner
