#pragma once
// The version dialog: the program's icon, name, version and years.
#include <windows.h>

#include <functional>
#include <string>

#include "app/ModalForm.h"

class Tverform : public TOkDialog {
public:
    explicit Tverform(TComponent* owner);

    TIconView* Image1;  // the program's main icon
    TLabel* Label1;     // the name
    TLabel* Label2;     // the version
    TLabel* Label4;     // the years

    void FormShow(TObject* sender);

    // Today's date; the local clock unless a test sets another.
    std::function<SYSTEMTIME()> Today;
};

// "2000 " in the year 2000, "2000 - " and the year in any other.
std::wstring YearRangeText(WORD year);

// The dialog while it is shown.
extern Tverform* verform;
