#include "ErrorGuard.h"
#include "ModalWatch.h"
#include "platform/PlatformError.h"

#include <QMessageBox>

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

struct Report
{
    int number;
    QString description;
};

class ErrorGuardTest : public ::testing::Test
{
protected:
    ErrorGuard recordingGuard()
    {
        return ErrorGuard(
            [this](int number, const QString &text) {
                shown.push_back({number, text});
            },
            [this](int status) { endings.push_back(status); });
    }

    std::vector<Report> shown;
    std::vector<int> endings;
};

TEST_F(ErrorGuardTest, ErrorStopsTheBodyIsShownAndEndsTheProgram)
{
    const ErrorGuard guard = recordingGuard();
    EXPECT_TRUE(guard.run([] {}));
    EXPECT_TRUE(shown.empty());

    int stepsDone = 0;
    EXPECT_FALSE(guard.run([&] {
        ++stepsDone;
        throw platform::PlatformError(
            76, QStringLiteral("CreateFolder"), QStringLiteral("/srv/文件/vexa"));
    }));
    EXPECT_EQ(stepsDone, 1);
    guard.run([] { throw std::runtime_error("bad"); });
    guard.run([] { throw 42; });

    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].number, 76);
    EXPECT_EQ(
        shown[0].description, QStringLiteral("CreateFolder \"/srv/文件/vexa\": Path not found"));
    EXPECT_EQ(shown[1].number, ErrorGuard::internalErrorNumber);
    EXPECT_EQ(shown[1].description, QStringLiteral("bad"));
    EXPECT_FALSE(shown[2].description.isEmpty());
    EXPECT_EQ(endings, std::vector<int>(3, ErrorGuard::failureStatus));
    EXPECT_NE(ErrorGuard::failureStatus, 0);
}

TEST(ErrorReportBoxTest, ShowsNumberAndDescription)
{
    onNextModal<QMessageBox>([](QMessageBox *box) {
        EXPECT_TRUE(box->text().contains(QStringLiteral("53")));
        EXPECT_TRUE(box->text().contains(QStringLiteral("FileExists /opt/base: denied")));
        box->accept();
    });
    ErrorGuard::showReportBox(53, QStringLiteral("FileExists /opt/base: denied"));
}

} // namespace
