#include "net/callback/window_procedures.h"

#include <mutex>
#include <vector>

namespace {

struct ProcedureTable {
    std::mutex mutex;
    std::vector<NetWindowProc> procedures;  // number n is procedures[n - 1]
};

ProcedureTable& Table() {
    static ProcedureTable table;
    return table;
}

}  // namespace

int32_t NetWindowProcNumber(NetWindowProc procedure) {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    for (std::size_t i = 0; i < table.procedures.size(); ++i)
        if (table.procedures[i] == procedure) return static_cast<int32_t>(i + 1);
    table.procedures.push_back(procedure);
    return static_cast<int32_t>(table.procedures.size());
}

int32_t NetCallWindowProc(int32_t number, int32_t hWnd, int32_t Msg, int32_t wParam, int32_t lParam) {
    NetWindowProc procedure = nullptr;
    {
        auto& table = Table();
        std::lock_guard lock(table.mutex);
        if (number >= 1 && static_cast<std::size_t>(number) <= table.procedures.size())
            procedure = table.procedures[static_cast<std::size_t>(number - 1)];
    }
    return procedure ? procedure(hWnd, Msg, wParam, lParam) : 0;
}

int32_t NetDefaultWindowProc(int32_t /*hWnd*/, int32_t /*Msg*/, int32_t /*wParam*/, int32_t /*lParam*/) { return 0; }
