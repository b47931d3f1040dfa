#pragma once

#include <QObject>
#include <functional>
#include <vector>

// Test classes of one folder register themselves here; the shared main runs them all, or only
// the class named as the first argument (the remaining arguments go to QTest as usual).
namespace TestRegistry {
using Factory = std::function<QObject*()>;
int Add(const char* className, Factory factory);
int RunAll(int argc, char** argv);
} // namespace TestRegistry

#define LUMIVOX_REGISTER_TEST(Class)                                                                                   \
    static const int lumivoxRegistered##Class = TestRegistry::Add(#Class, [] { return new Class; });
