#include "TestRegistry.h"

#include <QApplication>
#include <QtTest>
#include <cstring>
#include <memory>
#include <string>

namespace {
struct Entry {
    const char* name;
    TestRegistry::Factory factory;
};
std::vector<Entry>& Entries()
{
    static std::vector<Entry> entries;
    return entries;
}
} // namespace

int TestRegistry::Add(const char* className, Factory factory)
{
    Entries().push_back({className, std::move(factory)});
    return int(Entries().size());
}

int TestRegistry::RunAll(int argc, char** argv)
{
    const char* only = nullptr;
    std::vector<char*> args(argv, argv + argc);
    if (argc > 1) {
        for (const Entry& e : Entries())
            if (std::strcmp(argv[1], e.name) == 0)
                only = e.name;
        if (only)
            args.erase(args.begin() + 1);
    }
    int failures = 0;
    for (const Entry& e : Entries()) {
        if (only && std::strcmp(only, e.name) != 0)
            continue;
        std::unique_ptr<QObject> test(e.factory());
        failures += QTest::qExec(test.get(), int(args.size()), args.data());
    }
    return failures == 0 ? 0 : 1;
}

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    application.setAttribute(Qt::AA_Use96Dpi, true);
    return TestRegistry::RunAll(argc, argv);
}
