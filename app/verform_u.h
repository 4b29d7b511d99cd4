#pragma once
// The version dialog: the program's icon, name, version and years.
#include <windows.h>

#include <functional>
#include <string>

#include "ui/Form.h"
#include "ui/StdCtrls.h"

class Tverform : public TForm {
public:
    explicit Tverform(TComponent* owner);

    TButton* Button1;   // OK
    TIconView* Image1;  // the program's main icon
    TLabel* Label1;     // the name
    TLabel* Label2;     // the version
    TLabel* Label4;     // the years

    void FormShow(TObject* sender);
    void FormCloseQuery(TObject* sender, bool& canClose);
    void Button1Click(TObject* sender);

    // Today's date; the local clock unless a test sets another.
    std::function<SYSTEMTIME()> Today;
};

// "2000 " in the year 2000, "2000 - " and the year in any other.
std::wstring YearRangeText(WORD year);

// The dialog while it is shown.
extern Tverform* verform;
