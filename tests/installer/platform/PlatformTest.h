#pragma once

#include "TestSupport.h"
#include "platform/PlatformError.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

// Base of the layer's tests: a fresh temporary folder per test, open to
// nobody so that unprivileged cases can reach into it.
class PlatformTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        ASSERT_EQ(::chmod(QFile::encodeName(m_root.path()).constData(), 0755), 0);
    }

    QString at(const QString &relative) const
    {
        return m_root.path() + QLatin1Char('/') + relative;
    }

    QTemporaryDir m_root;
};

// Runs `statement`, expects it to raise PlatformError with `expectedNumber`,
// and checks that the description names the operation and the path.
#define EXPECT_PLATFORM_ERROR(statement, expectedNumber, operationName, pathText)                  \
    do {                                                                                           \
        try {                                                                                      \
            statement;                                                                             \
            ADD_FAILURE() << "no error raised by " #statement;                                     \
        } catch (const platform::PlatformError &error_) {                                          \
            EXPECT_EQ(error_.number(), expectedNumber) << error_.what();                           \
            EXPECT_TRUE(error_.description().contains(QStringLiteral(operationName)))              \
                << error_.what();                                                                  \
            EXPECT_TRUE(error_.description().contains(pathText)) << error_.what();                 \
        }                                                                                          \
    } while (false)
