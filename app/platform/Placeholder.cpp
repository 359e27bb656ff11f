namespace quillet { int placeholder() { return 0; } }
