#pragma once
// The installer window on real temporary folders below a root whose path holds blanks and Chinese
// characters: program folder with its package, data, desktop. The timer is driven by hand; tips,
// errors, started programs and opened URLs are recorded, and errors let the test go on.
#include "TestSupport.h"
#include "mForm.h"

#include <QCheckBox>
#include <QDirIterator>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <unistd.h>
#include <vector>

using namespace testsupport;

// Every entry below `root` by relative path: a file's content, or "<dir>" for a folder.
inline QMap<QString, QByteArray> treeOf(const QString &root)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString entry = it.next();
        tree.insert(entry.mid(root.size()), it.fileInfo().isDir() ? "<dir>" : readAll(entry));
    }
    return tree;
}

// An install folder's tree without the record that the finish writes beside the package's files.
inline QMap<QString, QByteArray> installedTree(const QString &folder)
{
    QMap<QString, QByteArray> tree = treeOf(folder);
    EXPECT_EQ(tree.remove(QStringLiteral("/install-record.json")), 1) << "no record";
    return tree;
}

class InstallerFixture : public ::testing::Test
{
protected:
    struct Error
    {
        int number;
        QString description;
    };

    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        for (const char *folder : {"prog/base", "data", "desk", "outside"})
            ASSERT_TRUE(QDir().mkpath(at(QLatin1String(folder))));
    }

    QString at(const QString &relative) const { return root.filePath(relative); }
    // A file whose content is its own name, so every copy can be told apart.
    void put(const QString &relative)
    {
        QDir().mkpath(QFileInfo(at(relative)).path());
        writeAll(at(relative), relative.toUtf8());
    }
    void link(const QString &target, const QString &relative)
    {
        ASSERT_EQ(::symlink(QFile::encodeName(target), QFile::encodeName(at(relative))), 0);
    }

    // The window on the fixture's folders; a non-null installFolder replaces the proposed one.
    std::unique_ptr<mForm> makeForm(const QString &installFolder)
    {
        InstallerHooks hooks;
        hooks.showTip = [this](QWidget *, const QString &message) {
            tips << message;
        };
        hooks.guard = ErrorGuard(
            [this](int n, const QString &text) {
                errors.push_back({n, text});
            },
            [](int) {});
        hooks.reportServer = reportServer;
        hooks.startProgram = [this](const QString &program) {
            started << program;
            if (startProgram)
                startProgram(program);
        };
        hooks.openUrl = [this](const QUrl &url) {
            opened << url;
            return openResult;
        };
        auto form = std::make_unique<mForm>(
            InstallerFolders {at("prog"), at("data"), at("desk")}, std::move(hooks));
        if (!installFolder.isNull())
            form->path->setText(installFolder);
        return form;
    }
    static void start(mForm &form)
    {
        form.Check1->setChecked(true);
        form.Command1->click();
    }
    // One tick through the timer's own signal, so the handler runs in the guard.
    static void tick(mForm &form) { QMetaObject::invokeMethod(form.Timer1, "timeout"); }
    static int ticksToEnd(mForm &form)
    {
        int ticks = 0;
        for (; form.Timer1->isActive() && ticks < 1000; ++ticks)
            tick(form);
        return ticks;
    }

    QTemporaryDir root {QDir::tempPath() + QStringLiteral("/安装 测试 XXXXXX")};
    QStringList tips;
    std::vector<Error> errors;
    QUrl reportServer {QStringLiteral("http://127.0.0.1:1/")}; // nothing listens there
    QStringList started; // programs the window asked to start
    std::function<void(const QString &)> startProgram; // then runs this, when set
    QList<QUrl> opened; // URLs the window asked the desktop to open
    bool openResult = true;
};
