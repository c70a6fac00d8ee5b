#include "PermittedScreenshot.h"

#include "PortalScreenshot.h"
#include "ScreenshotPermission.h"

using ScreenshotPermission::Ending;
using ScreenshotPermission::Stored;

namespace {

// The store answers from memory, or starts on demand in well under this.
constexpr std::chrono::seconds lookUpLimit(1);
// The portal's own limits: 25 s for its dialog, 25 s more for the screenshot service.
constexpr std::chrono::seconds portalGivesUp(60);

} // namespace

PermittedScreenshot::PermittedScreenshot(const QDBusConnection &bus)
    : m_bus(bus)
    , m_store(bus)
    , m_desktopAsks(ScreenshotPermission::desktopAsksFirst(qgetenv("XDG_CURRENT_DESKTOP")))
{
    send();
}

PermittedScreenshot::~PermittedScreenshot() = default;

void PermittedScreenshot::send()
{
    // The request first: its answer is what the program waits for.
    m_request = std::make_unique<PortalScreenshot>(m_bus);
    m_request->start();
    m_store.lookUp();
}

PermittedScreenshot::Result PermittedScreenshot::waitForAnswer()
{
    const Stored before = m_store.waitForLookUp(lookUpLimit);
    Result result {
        m_request->waitForAnswer(ScreenshotPermission::answerLimit(before, m_desktopAsks))};
    // The portal ends a request with 2 for a refusal as for a failure; the
    // store tells them apart.
    if (m_request->response() != 2u)
        return result;
    switch (ScreenshotPermission::whyEnded(before, m_store.lookUpNow(), m_desktopAsks)) {
    case Ending::Refused:
        result.refused = true;
        break;
    case Ending::Unanswered:
        result.answer.reason = QStringLiteral(
            "桌面询问是否允许本程序截屏，但没有得到回答。请先回答桌面的询问，再重新截屏。");
        break;
    case Ending::Failed:
        break;
    }
    return result;
}

bool PermittedScreenshot::askAgain()
{
    if (!m_store.forgetAnswer())
        return false;
    send();
    return true;
}

bool PermittedScreenshot::lateAnswerPending() const
{
    return !m_request->settled();
}

void PermittedScreenshot::settleLateAnswer()
{
    m_request->waitUntilSettled(portalGivesUp);
}
