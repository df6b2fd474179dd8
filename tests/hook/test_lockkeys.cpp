// Lock keys through the real hook (XP family): every key-down reports the state
// it switches to and is still passed on, with or without Alt.
#include "hookfixture.h"

namespace {

class LockKeys : public tarn::FreshHookTest {};

TEST_F(LockKeys, KeyDownsReportTheirToggleStateAndPassOn)
{
    const struct { bool bAlt; bool bHeld; int nDowns; } ways[] = {
        { false, false, 3 },   // pressed three times: on, off, on (or the other way round)
        { true, false, 2 },    // with Alt: WM_SYSKEYDOWN
        { false, true, 4 },    // held: each auto-repeated key-down reports again
        { true, true, 3 },
    };
    for (const tarn::LockKey &key : tarn::kLockKeys)
    {
        for (const auto &way : ways)
        {
            tarn::ExpectLockKeyReports(key, way.bAlt, way.bHeld, way.nDowns);
            if (HasFatalFailure())
                return;
        }
    }
}

}  // namespace
