#pragma once

#include "platform/MountTable.h"

namespace quillet::test {

// A mount table a test changes by hand.
class FakeMountTable : public platform::MountTable {
public:
    // Something was mounted or unmounted: the next question hears of it, once.
    void mountChanged() { m_changed = true; }

    bool changed() override {
        ++questions;
        const bool was = m_changed;
        m_changed = false;
        return was;
    }

    int questions = 0;

private:
    bool m_changed = false;
};

} // namespace quillet::test
