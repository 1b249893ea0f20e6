#include <fmt/format.h>

#include "sim/simulator.h"

namespace sim {
namespace {

std::string OutcomeText(const RequestRecord& record) {
    switch (record.outcome) {
        case RequestOutcome::Replied:
            return fmt::format("reply {} bytes", record.replyBytes);
        case RequestOutcome::Exception:
            return fmt::format("exception {:02X}", record.exceptionCode);
        case RequestOutcome::Dropped:
            return "reply dropped";
        case RequestOutcome::Closed:
            return "connection closed";
        case RequestOutcome::Reset:
            return "connection reset";
        case RequestOutcome::Ignored:
            return "ignored (protocol identifier not 0)";
    }
    return "?";
}

}  // namespace

std::string FormatRequestLine(const RequestRecord& record) {
    const RequestSummary& request = record.request;
    return fmt::format("client {} {} tid {} unit {} fc {} {} start {} qty {}: {}", record.client, record.peer,
                       request.transaction, request.unit, request.function, FunctionName(request.function),
                       request.start, request.quantity, OutcomeText(record));
}

}  // namespace sim
