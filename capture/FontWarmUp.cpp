#include "FontWarmUp.h"

#include <fontconfig/fontconfig.h>

#include <thread>

namespace {

// Joined when the program ends at the latest, so it never outlives the library.
std::jthread warmUp;

} // namespace

void startFontWarmUp()
{
    if (!warmUp.joinable())
        warmUp = std::jthread([] { FcInit(); });
}

void finishFontWarmUp()
{
    if (warmUp.joinable())
        warmUp.join();
}
