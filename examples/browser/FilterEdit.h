#pragma once
// An edit field that tells when its text changes. The framework's TEdit has
// no change event, so the field hears EN_CHANGE itself.
#include "ui/StdCtrls.h"

class TFilterEdit : public TEdit {
public:
    using TEdit::TEdit;

    TNotifyEvent OnChange;

protected:
    void CommandNotify(WORD code) override
    {
        if (code == EN_CHANGE && OnChange) OnChange(this);
    }
};
