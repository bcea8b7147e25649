// Linked into every test program: gives the tests their environment (headless
// backend, shared test data, the build's bin folder) unless the caller set it.
#include <cstdlib>

namespace {

struct TestEnvironment {
    TestEnvironment() {
        setenv("LUMORA_BACKEND", "headless", 0);
        setenv("LUMORA_TESTDATA", LUMORA_TEST_DATA_DIR, 0);
        setenv("LUMORA_BIN", LUMORA_TEST_BIN_DIR, 0);
    }
} g_TestEnvironment;

}  // namespace
