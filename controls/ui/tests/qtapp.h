#pragma once

#include <QApplication>

#include <gtest/gtest.h>

namespace kv::testing_support {

// One QApplication for the whole test program, made before the first test
// runs (listing the tests needs none).
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (QApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "kvplib_tests";
            static char* argv[] = {name, nullptr};
            m_app = new QApplication(argc, argv);
        }
    }

private:
    QApplication* m_app = nullptr;
};

inline ::testing::Environment* const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace kv::testing_support
