#include "cli/request_plan.h"

#include <algorithm>

namespace cli {
namespace {

constexpr uint8_t kReadCoils = 1;
constexpr uint8_t kReadDiscreteInputs = 2;
constexpr uint8_t kReadHoldingRegisters = 3;
constexpr uint8_t kWriteSingleCoil = 5;
constexpr uint8_t kWriteSingleRegister = 6;
constexpr uint8_t kWriteMultipleCoils = 15;
constexpr uint8_t kWriteMultipleRegisters = 16;
constexpr uint16_t kCoilOn = 0xFF00;

void PutWord(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value & 0xFF));
}

uint8_t ReadFunction(Space space) {
    switch (space) {
        case Space::Coils:
            return kReadCoils;
        case Space::DiscreteInputs:
            return kReadDiscreteInputs;
        case Space::Registers:
            break;
    }
    return kReadHoldingRegisters;
}

/// One space's items in address order: the names and values of each address.
struct Item {
    uint16_t address;
    std::string name;
    uint16_t value;
};

/// Splits items (sorted, unique addresses) into runs of consecutive addresses,
/// each at most `most` long, and hands each run to `make`.
template <typename Make>
void ForEachRun(const std::vector<Item>& items, uint16_t most, Make make) {
    std::size_t begin = 0;
    while (begin < items.size()) {
        std::size_t end = begin + 1;
        while (end < items.size() && end - begin < most && items[end].address == items[end - 1].address + 1) ++end;
        make(std::span(items).subspan(begin, end - begin));
        begin = end;
    }
}

std::string Covers(std::span<const Item> run) {
    return run.size() == 1 ? run.front().name : run.front().name + ".." + run.back().name;
}

/// Items per space, sorted by address; a later item replaces an earlier one at its address.
std::map<Space, std::vector<Item>> BySpace(const std::vector<Assignment>& assignments) {
    std::map<Space, std::map<uint16_t, Item>> sorted;
    for (const auto& a : assignments)
        sorted[a.reference.space].insert_or_assign(a.reference.address,
                                                   Item{a.reference.address, a.reference.name, a.value});
    std::map<Space, std::vector<Item>> out;
    for (auto& [space, items] : sorted)
        for (auto& [address, item] : items) out[space].push_back(item);
    return out;
}

}  // namespace

std::vector<uint8_t> Request::Pdu() const {
    std::vector<uint8_t> pdu;
    PutPdu(pdu);
    return pdu;
}

void Request::PutPdu(std::vector<uint8_t>& pdu) const {
    pdu.clear();
    pdu.reserve(6 + 2 * values.size());  // function, start, quantity, count and the data, in one allocation
    pdu.push_back(function);
    PutWord(pdu, start);
    if (function == kWriteSingleCoil) {
        PutWord(pdu, values.at(0) != 0 ? kCoilOn : 0);
    } else if (function == kWriteSingleRegister) {
        PutWord(pdu, values.at(0));
    } else {
        PutWord(pdu, quantity);
    }
    if (function == kWriteMultipleCoils) {
        pdu.push_back(static_cast<uint8_t>((quantity + 7) / 8));
        for (std::size_t i = 0; i < values.size(); i += 8) {
            uint8_t byte = 0;
            for (std::size_t bit = 0; bit < 8 && i + bit < values.size(); ++bit)
                if (values[i + bit] != 0) byte = static_cast<uint8_t>(byte | (1u << bit));
            pdu.push_back(byte);
        }
    } else if (function == kWriteMultipleRegisters) {
        pdu.push_back(static_cast<uint8_t>(2 * quantity));
        for (uint16_t value : values) PutWord(pdu, value);
    }
}

std::vector<Request> PlanReads(const std::vector<Reference>& references) {
    std::vector<Assignment> items;
    for (const auto& reference : references) items.push_back({reference, 0});
    std::vector<Request> requests;
    for (const auto& [space, list] : BySpace(items)) {
        const uint16_t most = IsBit(space) ? kMostBitsRead : kMostRegistersRead;
        ForEachRun(list, most, [&](std::span<const Item> run) {
            requests.push_back(
                {space, ReadFunction(space), run.front().address, static_cast<uint16_t>(run.size()), {}, Covers(run)});
        });
    }
    return requests;
}

std::vector<Request> PlanWrites(const std::vector<Assignment>& assignments) {
    std::vector<Request> requests;
    for (const auto& [space, list] : BySpace(assignments)) {
        const bool bits = IsBit(space);
        ForEachRun(list, bits ? kMostCoilsWritten : kMostRegistersWritten, [&](std::span<const Item> run) {
            Request request{space, 0, run.front().address, static_cast<uint16_t>(run.size()), {}, Covers(run)};
            for (const auto& item : run) request.values.push_back(item.value);
            if (run.size() == 1)
                request.function = bits ? kWriteSingleCoil : kWriteSingleRegister;
            else
                request.function = bits ? kWriteMultipleCoils : kWriteMultipleRegisters;
            requests.push_back(std::move(request));
        });
    }
    return requests;
}

std::optional<std::vector<uint16_t>> ReadValues(const Request& request, std::span<const uint8_t> pdu,
                                                std::string& error) {
    const bool registers = request.function == kReadHoldingRegisters;
    const std::size_t needed = registers ? 2u * request.quantity : (request.quantity + 7u) / 8u;
    if (pdu.size() < 2 || pdu[0] != request.function || pdu[1] < needed || pdu.size() < 2 + needed) {
        error = "a short or malformed reply to the read of " + request.what;
        return std::nullopt;
    }
    std::vector<uint16_t> values;
    for (std::size_t i = 0; i < request.quantity; ++i) {
        if (registers)
            values.push_back(static_cast<uint16_t>((pdu[2 + 2 * i] << 8) | pdu[3 + 2 * i]));
        else
            values.push_back(static_cast<uint16_t>((pdu[2 + i / 8] >> (i % 8)) & 1));
    }
    return values;
}

}  // namespace cli
