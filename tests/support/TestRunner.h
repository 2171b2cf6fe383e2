#pragma once
// Runs every Qt Test class of one test executable. Each test file registers its classes with
// LMR_REGISTER_TEST; the executable's main is the runner below, so an area can hold many files.
//
// Running one class only: LMR_TEST_CLASS=ClassName ./test_area [Qt Test options]

#include <QObject>
#include <functional>

namespace lmrtest {
using TestFactory = std::function<QObject *()>;
int registerTest(const char *name, TestFactory factory);
}

#define LMR_REGISTER_TEST(Class) \
    static const int lmrRegistered_##Class = lmrtest::registerTest(#Class, [] { return new Class; })
