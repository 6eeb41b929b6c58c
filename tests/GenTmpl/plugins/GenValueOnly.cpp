// A custom generator library for the tests that exports GetValue only.
extern "C" const char* GetValue(int) { return "plain"; }
