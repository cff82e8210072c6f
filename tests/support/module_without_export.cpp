// A shared module that lacks the string export: the loader must pass it over.
extern "C" int corvane_unrelated_function() {
    return 42;
}
