// The executable of the test bundle: two functions the bundle tests find by name.
extern "C" int TestPluginAnswer(void) {
    return 42;
}

extern "C" const char* TestPluginName(void) {
    return "TestPlugin";
}
