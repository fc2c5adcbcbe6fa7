#include "contracts/messagehook.h"

#include <cstdio>
#include <utility>

namespace {
MessageHook &installedHook()
{
    static MessageHook hook;
    return hook;
}
} // namespace

void setMessageHook(MessageHook hook) { installedHook() = std::move(hook); }

void showLibraryMessage(const QString &caption, int buttons, const QString &text)
{
    if (const MessageHook &hook = installedHook()) {
        hook(caption, buttons, text);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(caption), qUtf8Printable(text));
}
