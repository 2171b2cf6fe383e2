#pragma once
// Runs every Qt Test class of one test executable. Each test file registers its classes with
// LMR_REGISTER_TEST; the executable's main is the runner below, so an area can hold many files.
//
// Running one class only: LMR_TEST_CLASS=ClassName ./test_area [Qt Test options]

// Every test file sees the whole of Qt Core, GUI, Widgets and Test (what the tests' precompiled
// header holds anyway) and the shared helpers, so that a test lists only the program's headers.
#include "TestUtils.h"

#include <QtTest>
#include <QtWidgets>

#include <functional>
#include <memory>
#include <vector>

namespace lmrtest {
using TestFactory = std::function<QObject *()>;
int registerTest(const char *name, TestFactory factory);
}

#define LMR_REGISTER_TEST(Class) \
    static const int lmrRegistered_##Class = lmrtest::registerTest(#Class, [] { return new Class; })
