// The install record on real folders: written whole and read back, entries that name anything
// else refused, removal that never follows a link, and whether an outside file still belongs.
#include "InstallRecord.h"
#include "OutsideFiles.h"
#include "PlatformTest.h"
#include "RecordedRemoval.h"

#include <QCryptographicHash>

namespace {

class InstallRecordTest : public PlatformTest
{
protected:
    QByteArray hashOf(const QByteArray &content)
    {
        return QCryptographicHash::hash(content, QCryptographicHash::Sha256);
    }
    // A file with `content` at `relative`, recorded as an outside file of `kind`.
    OutsideFile outside(OutsideFile::Kind kind, const QString &relative, const QByteArray &content)
    {
        QDir().mkpath(QFileInfo(at(relative)).path());
        put(relative, content);
        return {kind, at(relative), hashOf(content)};
    }
    void writeRecordText(const QByteArray &json) { put("inst/install-record.json", json); }
};

TEST_F(InstallRecordTest, WrittenWholeAndReadBackAsItWas)
{
    mkdirAt("inst");
    InstallRecord record;
    record.installFolder = at("inst") + '/';
    record.files = {"vexa.exe", "目录 一/文件,2.dat", "a\nb\tc", " lead/trail "};
    record.folders = {"目录 一", " lead"};
    record.outside = {{OutsideFile::Kind::Launcher, at("desk/VEXA.lnk"), hashOf("lnk")},
        {OutsideFile::Kind::Icon, at("data/icons/hicolor/32x32/apps/vexa.png"), hashOf("png")},
        {OutsideFile::Kind::Settings, at("data/vexaconfig.txt"), hashOf("cfg")}};
    for (const char *first : {"first.txt", "second.txt"}) {
        record.files[0] = first;
        writeInstallRecord(at("inst"), record);
        const RecordReading reading = readInstallRecord(at("inst"));
        EXPECT_EQ(reading.refused, QStringList());
        EXPECT_EQ(reading.record.installFolder, record.installFolder);
        EXPECT_EQ(reading.record.files, record.files);
        EXPECT_EQ(reading.record.folders, record.folders);
        ASSERT_EQ(reading.record.outside.size(), 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(reading.record.outside[i].kind, record.outside[i].kind);
            EXPECT_EQ(reading.record.outside[i].path, record.outside[i].path);
            EXPECT_EQ(reading.record.outside[i].sha256, record.outside[i].sha256);
        }
        // Replaced whole: no temporary file beside it.
        EXPECT_EQ(entries("inst"), QStringList {"install-record.json"});
    }
}

TEST_F(InstallRecordTest, EntriesNamingAnythingElseAreRefusedAndTheRestIsKept)
{
    mkdirAt("inst");
    const QByteArray hash = hashOf("x").toHex();
    writeRecordText(R"({"format": "vexa-install-record", "version": 1,
        "files": ["ok.txt", "/etc/passwd", "../up", "a/../../up", "a//b", "./a", "a/.", "", 5],
        "folders": ["..", "fine", "/tmp"],
        "outside": [
            {"kind": "launcher", "path": "/home/u/Desktop/vexa.desktop", "sha256": ")"
        + hash + R"("},
            {"kind": "launcher", "path": "Desktop/vexa.desktop", "sha256": ")"
        + hash + R"("},
            {"kind": "launcher", "path": "/home/u/../../etc/x.desktop", "sha256": ")"
        + hash + R"("},
            {"kind": "script", "path": "/home/u/x.sh", "sha256": ")"
        + hash + R"("},
            {"kind": "icon", "path": "/home/u/vexa.png", "sha256": "12"}]})");
    const RecordReading reading = readInstallRecord(at("inst"));
    EXPECT_EQ(reading.record.files, QStringList {"ok.txt"});
    EXPECT_EQ(reading.record.folders, QStringList {"fine"});
    ASSERT_EQ(reading.record.outside.size(), 1);
    EXPECT_EQ(reading.record.outside[0].path, QStringLiteral("/home/u/Desktop/vexa.desktop"));
    EXPECT_EQ(reading.refused.size(), 8 + 2 + 4);
    EXPECT_TRUE(reading.refused.filter("/etc/passwd").size() == 1);

    // No record, a record that is none, a record reached through a link.
    EXPECT_RAISES(readInstallRecord(at("none")), FileNotFound, "ReadRecord", "install-record");
    writeRecordText(R"({"format": "other", "version": 1})");
    EXPECT_RAISES(readInstallRecord(at("inst")), PathFileAccessError, "ReadRecord", "inst");
    mkdirAt("real");
    writeInstallRecord(at("real"), InstallRecord {});
    QFile::remove(at("inst/install-record.json"));
    linkAt(QFile::encodeName(at("real/install-record.json")), "inst/install-record.json");
    EXPECT_RAISES(readInstallRecord(at("inst")), PathFileAccessError, "ReadRecord", "inst");
}

TEST_F(InstallRecordTest, RemovalNeverFollowsALink)
{
    for (const char *folder : {"inst/R", "inst/full", "outside/dir"})
        mkdirAt(folder);
    for (const char *file : {"inst/R/a", "inst/full/user.txt", "outside/dir/a", "outside/file"})
        put(file, file);
    linkAt(QFile::encodeName(at("outside/dir")), "inst/via"); // a folder reached through a link
    linkAt(QFile::encodeName(at("outside/file")), "inst/alias"); // a file that is a link
    const QString inst = at("inst");

    EXPECT_EQ(removeRecordedFile(inst, "via/a").outcome, Removal::Kept);
    EXPECT_EQ(removeRecordedFolder(inst, "via").outcome, Removal::Kept);
    EXPECT_EQ(removeRecordedFile(inst, "alias").outcome, Removal::Removed);
    EXPECT_EQ(removeRecordedFile(inst, "R").outcome, Removal::Kept);
    EXPECT_EQ(removeRecordedFolder(inst, "full").outcome, Removal::NotEmpty);
    EXPECT_EQ(removeRecordedFile(inst, "R/missing").outcome, Removal::Gone);
    EXPECT_EQ(removeRecordedFile(inst, "gone/a").outcome, Removal::Gone);
    EXPECT_EQ(read("outside/dir/a"), "outside/dir/a");
    EXPECT_EQ(read("outside/file"), "outside/file");
    EXPECT_EQ(entries("inst"), (QStringList {"R", "full", "via"}));

    // A place that cannot be written: refused by the system, and said so.
    {
        const Mount readOnly(at("inst/R"));
        SKIP_UNLESS_MOUNTED(readOnly);
        const Removal refused = removeRecordedFile(inst, "R/a");
        EXPECT_EQ(refused.outcome, Removal::Failed);
        EXPECT_TRUE(refused.why.contains("Read-only")) << refused.why.toStdString();
    }
    EXPECT_EQ(removeRecordedFile(inst, "R/a").outcome, Removal::Removed);
    EXPECT_EQ(removeRecordedFolder(inst, "R").outcome, Removal::Removed);
}

TEST_F(InstallRecordTest, OutsideFilesBelongWhileTheyHoldWhatWasWritten)
{
    using Kind = OutsideFile::Kind;
    InstallRecord record;
    record.outside = {outside(Kind::Launcher, "desk/VEXA.lnk", "lnk of inst"),
        outside(Kind::Launcher, "data/applications/vexa.desktop", "entry of inst"),
        outside(Kind::Icon, "data/icons/hicolor/32x32/apps/vexa.png", "png"),
        outside(Kind::Settings, "data/vexaconfig.txt", "/inst\n")};
    for (const OutsideFile &file : record.outside)
        EXPECT_TRUE(stillBelongs(file, record)) << file.path.toStdString();

    // A later installation elsewhere: other settings, another's menu entry. The icon it shares
    // then belongs to that one too, and stays.
    put("data/vexaconfig.txt", "/elsewhere\n");
    put("data/applications/vexa.desktop", "entry of elsewhere");
    EXPECT_FALSE(stillBelongs(record.outside[3], record));
    EXPECT_FALSE(stillBelongs(record.outside[1], record));
    EXPECT_FALSE(stillBelongs(record.outside[2], record));
    // Gone, or a link to the very content: nothing of this installation either.
    QFile::remove(at("data/applications/vexa.desktop"));
    EXPECT_TRUE(stillBelongs(record.outside[2], record));
    put("elsewhere.lnk", "lnk of inst");
    QFile::remove(at("desk/VEXA.lnk"));
    linkAt(QFile::encodeName(at("elsewhere.lnk")), "desk/VEXA.lnk");
    EXPECT_FALSE(stillBelongs(record.outside[0], record));
    EXPECT_FALSE(stillBelongs(record.outside[2], record));
}

TEST_F(InstallRecordTest, OnlyTheInstallersOwnPlacesAreKnown)
{
    using Kind = OutsideFile::Kind;
    const QString data = at("data"), desk = at("desk");
    const std::pair<OutsideFile, bool> cases[] = {
        {{Kind::Settings, data + "/vexaconfig.txt", {}}, true},
        {{Kind::Settings, desk + "/vexaconfig.txt", {}}, false},
        {{Kind::Launcher, desk + "/VEXA.lnk", {}}, true},
        {{Kind::Launcher, data + "/applications/vexa-capture.desktop", {}}, true},
        {{Kind::Launcher, desk + "/notes.txt", {}}, false},
        {{Kind::Launcher, desk + "/sub/vexa.desktop", {}}, false},
        {{Kind::Launcher, "/etc/xdg/autostart/vexa.desktop", {}}, false},
        {{Kind::Icon, data + "/icons/hicolor/256x256/apps/vexa.png", {}}, true},
        {{Kind::Icon, data + "/icons/hicolor/32x48/apps/vexa.png", {}}, false},
        {{Kind::Icon, data + "/icons/other/32x32/apps/vexa.png", {}}, false},
        {{Kind::Icon, data + "x/icons/hicolor/32x32/apps/vexa.png", {}}, false},
        {{Kind::Icon, desk + "/vexa.png", {}}, false},
    };
    for (const auto &[file, known] : cases)
        EXPECT_EQ(isKnownPlace(file, data, desk), known) << file.path.toStdString();
}

} // namespace
