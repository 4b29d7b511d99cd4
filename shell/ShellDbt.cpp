#include "shell/ShellDbt.h"

TDeviceChangeData::TDeviceChangeData(std::wstring text, LPCITEMIDLIST list, WORD kind, DWORD event)
    : FText(std::move(text)), FEvent(event), FKind(kind), FIDList(CopyIDList(list))
{
}
