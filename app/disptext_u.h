#pragma once
// The text viewer: a document's lines in a list, with a forward search.
#include <functional>
#include <string>

#include "app/ModalForm.h"

class Tdisptext : public TOkDialog {
public:
    explicit Tdisptext(TComponent* owner);

    TEdit* Edit1;        // the text searched for
    TButton* Button2;    // search, and search on
    TButton* Button3;    // to the top
    TButton* Button4;    // to the end
    TListBox* ListBox1;  // the document, one line per text line
    TLabel* Label1;      // the title, set by the caller

    // Lists the document's lines, or one line that says it is missing.
    // Raises EInOutError when it is there but cannot be read.
    void LoadDocument(const std::wstring& path);

    void FormShow(TObject* sender);
    // Selects the next line after the selected one that holds the search
    // text; past the last hit it says the search has ended and starts over.
    void Button2Click(TObject* sender);
    void Button3Click(TObject* sender);
    void Button4Click(TObject* sender);

    // The sound of a search that found nothing more; MessageBeep unless a test listens.
    std::function<void()> Beep;
};

// The viewer while it is shown.
extern Tdisptext* disptext;
