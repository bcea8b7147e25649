// The SDK tests' checked reader of engine asset files, reused to read back
// what the tool writes.
#include "kelmat/tests/_AssetReader.cpp"
