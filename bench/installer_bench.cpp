// The installer's package scan against a bare recursive walk doing the same folder work, one copy
// tick against the bare copy it makes, and a whole unattended installation.
#include "Installation.h"
#include "UnattendedInstall.h"
#include "mForm.h"
#include "platform/FileSystem.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

// 100 top folders of 9 sub-folders each: 1,000 folders holding 10 small files each.
struct Package
{
    Package()
    {
        QDir().mkpath(base());
        QFile(base() + "/vexa.exe").open(QIODevice::WriteOnly);
        for (int top = 0; top < 100; ++top) {
            for (int sub = 0; sub < 10; ++sub) {
                QString folder = base() + QStringLiteral("/t%1").arg(top);
                if (sub > 0)
                    folder += QStringLiteral("/s%1").arg(sub);
                QDir().mkpath(folder);
                for (int file = sub == 0 && top == 0 ? 1 : 0; file < 10; ++file) {
                    QFile out(folder + QStringLiteral("/file%1.dat").arg(file));
                    out.open(QIODevice::WriteOnly);
                    out.write(QByteArray(4096, 'x'));
                }
            }
        }
    }
    QString base() const { return dir.filePath("prog/base"); }
    QString target() const { return dir.filePath("target"); }

    QTemporaryDir dir;
};

Package &package()
{
    static Package instance;
    return instance;
}

// Handlers are called directly, so errors end the run; a tip would wait for a click.
std::unique_ptr<mForm> makeForm()
{
    InstallerHooks hooks;
    hooks.showTip = [](QWidget *, const QString &tip) {
        qFatal("tip: %s", qPrintable(tip));
    };
    return std::make_unique<mForm>(
        InstallerFolders {package().dir.filePath("prog"), package().dir.filePath("data"),
            package().dir.filePath("desk")},
        std::move(hooks));
}

void BM_scan(benchmark::State &state)
{
    Installation installation(makeForm()->folders());
    QStringList manifest;
    for (auto _ : state) {
        state.PauseTiming();
        QDir(package().target()).removeRecursively();
        state.ResumeTiming();
        manifest = installation.scan(package().target());
    }
    state.counters["entries"] = double(manifest.size());
}
BENCHMARK(BM_scan)->Unit(benchmark::kMillisecond);

void bareWalk(const fs::path &from, const fs::path &to, const QString &prefix, QStringList &list)
{
    fs::create_directory(to);
    std::vector<fs::path> folders;
    for (const fs::directory_entry &entry : fs::directory_iterator(from)) {
        if (entry.is_directory())
            folders.push_back(entry.path());
        else
            list.append(prefix + '/' + QString::fromStdString(entry.path().filename()));
    }
    for (const fs::path &folder : folders)
        bareWalk(folder, to / folder.filename(),
            prefix + '/' + QString::fromStdString(folder.filename()), list);
}

void BM_bareWalk(benchmark::State &state)
{
    QStringList list;
    for (auto _ : state) {
        state.PauseTiming();
        QDir(package().target()).removeRecursively();
        list.clear();
        state.ResumeTiming();
        bareWalk(package().base().toStdString(), package().target().toStdString(), {}, list);
    }
    state.counters["entries"] = double(list.size());
}
BENCHMARK(BM_bareWalk)->Unit(benchmark::kMillisecond);

// Both copy the package's files round and round in manifest order: a whole tick, then the copy
// alone, so the difference is the tick's own work (caption, link check).
std::unique_ptr<mForm> startedForm()
{
    auto form = makeForm();
    QDir(package().target()).removeRecursively();
    form->path->setText(package().target());
    form->Check1->setChecked(true);
    form->startInstall(); // its timer never fires: there is no event loop here
    return form;
}

void BM_Timer1_Timer(benchmark::State &state)
{
    const auto form = startedForm();
    for (auto _ : state) {
        if (form->fileIndex == form->files.size())
            form->fileIndex = 0;
        form->Timer1_Timer();
    }
}
BENCHMARK(BM_Timer1_Timer)->Unit(benchmark::kMicrosecond);

void BM_CopyFile(benchmark::State &state)
{
    const auto form = startedForm();
    const platform::FileSystem fileSystem;
    qsizetype index = 0;
    for (auto _ : state) {
        const QString &entry = form->files.at(index++ % form->files.size());
        fileSystem.CopyFile(form->packageFolder() + entry, package().target() + entry);
    }
}
BENCHMARK(BM_CopyFile)->Unit(benchmark::kMicrosecond);

// A package shaped like the bundle's base/: the client, its icon and data files and a runtime of
// libraries and plugins; 46 files of 4 KiB to 8 MiB in four folders, 55 MB in all.
struct BundleShapedPackage
{
    static constexpr int fileCount = 46;

    BundleShapedPackage()
    {
        const char *folders[] = {"", "/lib", "/plugins/platforms", "/res"};
        for (int i = 0; i < fileCount; ++i) {
            const QString folder = dir.filePath("prog/base") + folders[i % 4];
            QDir().mkpath(folder);
            QFile out(
                folder + (i == 0 ? QStringLiteral("/vexa.exe") : QStringLiteral("/f%1").arg(i)));
            out.open(QIODevice::WriteOnly);
            out.write(QByteArray(qsizetype(4096) << (i % 12), 'x'));
        }
    }
    InstallerFolders folders(bool) const
    {
        return {dir.filePath("prog"), dir.filePath("data"), dir.filePath("desk")};
    }

    QTemporaryDir dir;
};

// From the checks to the report, as `install --unattended --accept-agreement --keep-package`
// runs it, without the program's start; the report goes to a port that refuses it at once.
void BM_installUnattended(benchmark::State &state)
{
    const BundleShapedPackage package;
    QDir().mkpath(package.dir.filePath("data"));
    QDir().mkpath(package.dir.filePath("desk"));
    CommandLine line;
    line.mode = CommandLine::Mode::Unattended;
    line.acceptAgreement = true;
    line.keepPackage = true;
    line.folder = package.dir.filePath("vexa");
    std::FILE *quiet = std::fopen("/dev/null", "w");
    for (auto _ : state) {
        state.PauseTiming();
        QDir(*line.folder).removeRecursively();
        state.ResumeTiming();
        const int status = installUnattended(
            line, [&package](bool create) { return package.folders(create); },
            QUrl(QStringLiteral("http://127.0.0.1:1/")), quiet, quiet);
        if (status != StatusOk)
            state.SkipWithError("the installation failed");
    }
    std::fclose(quiet);
    state.counters["files"] = BundleShapedPackage::fileCount;
}
BENCHMARK(BM_installUnattended)->Unit(benchmark::kMillisecond);

// The same files copied by std::filesystem alone: no temporary names, no syncing, no finish.
void BM_bareCopyOfTheSamePackage(benchmark::State &state)
{
    const BundleShapedPackage package;
    const fs::path target = package.dir.filePath("vexa").toStdString();
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(target);
        state.ResumeTiming();
        fs::copy(
            package.dir.filePath("prog/base").toStdString(), target, fs::copy_options::recursive);
    }
}
BENCHMARK(BM_bareCopyOfTheSamePackage)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
