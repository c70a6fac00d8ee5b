#pragma once

#include "TestSupport.h"
#include "platform/PlatformError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using platform::PlatformError;
using enum platform::PlatformError::Number;
using namespace testsupport;

// A fresh temporary folder per test, open to nobody so that unprivileged cases
// can reach into it. Paths are relative to it.
class PlatformTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        chmodAt({}, 0755);
    }

    QString at(const QString &relative) const { return m_root.filePath(relative); }
    QByteArray read(const QString &relative) const { return readAll(at(relative)); }
    QStringList entries(const QString &relative = {}) const { return entriesOf(at(relative)); }
    void put(const QString &relative, const QByteArray &bytes) { writeAll(at(relative), bytes); }
    void mkdirAt(const QString &relative) { ASSERT_TRUE(QDir().mkpath(at(relative))); }
    void chmodAt(const QString &relative, mode_t mode)
    {
        ASSERT_EQ(::chmod(QFile::encodeName(at(relative)).constData(), mode), 0);
    }
    void linkAt(const QByteArray &target, const QString &relative)
    {
        ASSERT_EQ(::symlink(target.constData(), QFile::encodeName(at(relative)).constData()), 0);
    }
    void pipeAt(const QString &relative)
    {
        ASSERT_EQ(::mkfifo(QFile::encodeName(at(relative)).constData(), 0644), 0);
    }

    QTemporaryDir m_root;
};

// Expects `statement` to raise PlatformError `expectedNumber` whose
// description names the operation and contains `pathText`.
#define EXPECT_RAISES(statement, expectedNumber, operationName, pathText)                          \
    do {                                                                                           \
        try {                                                                                      \
            statement;                                                                             \
            ADD_FAILURE() << "no error raised by " #statement;                                     \
        } catch (const platform::PlatformError &error_) {                                          \
            EXPECT_EQ(error_.number(), expectedNumber) << error_.what();                           \
            EXPECT_TRUE(error_.description().contains(QString(operationName))) << error_.what();   \
            EXPECT_TRUE(error_.description().contains(pathText)) << error_.what();                 \
        }                                                                                          \
    } while (false)

#define SKIP_UNLESS_MOUNTED(mount)                                                                 \
    if (!(mount).ok())                                                                             \
    GTEST_SKIP() << "cannot mount here: " << (mount).error()
