#include "FontWarmUp.h"

#include <fontconfig/fontconfig.h>

#include <thread>

namespace {

// Ended with the program at the latest, so it never outlives the library.
struct WarmUp
{
    ~WarmUp()
    {
        if (thread.joinable())
            thread.join();
    }
    std::thread thread;
} warmUp;

} // namespace

void startFontWarmUp()
{
    if (!warmUp.thread.joinable())
        warmUp.thread = std::thread([] { FcInit(); });
}
