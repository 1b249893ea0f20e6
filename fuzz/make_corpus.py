#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

The targets read their input through LLVM's FuzzedDataProvider: strings and
byte runs from the front, numbers from the back. `Input` below lays out a seed
in that order, so each seed is the exact event sequence it describes. The
Modbus TCP replies are the ones a DL06 gives to the tool's requests (wire
order, transaction identifiers as the tool hands them out).

Run it after changing a target's input layout: python3 fuzz/make_corpus.py
"""
import hashlib
import re
import pathlib
import shutil


class Input:
    """Builds one input as FuzzedDataProvider (LLVM 14) will take it apart."""

    def __init__(self):
        self.front = bytearray()
        self.back = bytearray()  # in the order the numbers are taken

    def number(self, value, low, high, size):
        """ConsumeIntegralInRange<T>(low, high) == value, T of `size` bytes."""
        span, result, taken = high - low, value - low, []
        offset = 0
        while offset < 8 * size and (span >> offset) > 0:
            taken.append(None)
            offset += 8
        for i in range(len(taken)):  # the first byte taken is the most significant
            self.back.append((result >> (8 * (len(taken) - 1 - i))) & 0xFF)
        return self

    def boolean(self, value):
        return self.number(1 if value else 0, 0, 255, 1)

    def u8(self, value):
        return self.number(value, 0, 255, 1)

    def i16(self, value):
        return self.number(value, -32768, 32767, 2)

    def u16(self, value):
        return self.number(value, 0, 65535, 2)

    def u32(self, value):
        return self.number(value, 0, 2**32 - 1, 4)

    def i64(self, value):
        return self.number(value, -2**63, 2**63 - 1, 8)

    def string(self, data, last=False):
        """ConsumeRandomLengthString: '\\' doubled, ended by '\\' and another character."""
        data = data.encode("latin-1") if isinstance(data, str) else bytes(data)
        self.front += data.replace(b"\\", b"\\\\")
        if not last:
            self.front += b"\\;"
        return self

    def raw(self, data):
        """ConsumeBytes: exactly these bytes from the front."""
        self.front += bytes(data)
        return self

    def bytes(self):
        return bytes(self.front) + bytes(reversed(self.back))


def hexbytes(text):
    return bytes(int(item, 16) for item in text.split())


def frame(identifier, pdu):
    """A Modbus TCP frame: MBAP header (unit 1) and the PDU."""
    length = len(pdu) + 1
    return bytes([identifier >> 8, identifier & 0xFF, 0, 0, length >> 8, length & 0xFF, 1]) + pdu


def bcd(value):
    return bytes([(value // 1000) << 4 | (value // 100 % 10), (value // 10 % 10) << 4 | (value % 10)])


def registers(values):
    data = b"".join(bcd(v) for v in values)
    return bytes([3, len(data)]) + data


# The tool's requests in the order of its catalogue (routine index) and the
# identifiers they get when entered in this order with VMemAddr 1024 (V2000).
INPUTS, OUTPUTS, RELAYS, READ_COUNTERS, WRITE_COUNTERS, READ_VMEM, WRITE_VMEM = range(7)
ALL_ROUTINES = [INPUTS, OUTPUTS, RELAYS, READ_COUNTERS, WRITE_COUNTERS, READ_VMEM]
REPLIES = {
    "read_coils_20": frame(1, hexbytes("01 03 FE FF 1F")),
    "write_coils_echo": frame(2, hexbytes("0F 08 00 00 10")),
    "write_relays_echo": frame(3, hexbytes("0F 0C 00 00 10")),
    "read_64_registers_512": frame(4, registers(range(1000, 1064))),
    "read_64_registers_576": frame(5, registers(range(9936, 10000))),
    "write_64_registers_echo": frame(6, hexbytes("10 02 00 00 40")),
    "write_64_registers_echo_576": frame(7, hexbytes("10 02 40 00 40")),
    "read_vmem": frame(8, registers([4321])),
}
EXCEPTIONS = {
    "exception_83_02": frame(8, hexbytes("83 02")),
    "exception_81_02": frame(1, hexbytes("81 02")),
    "exception_8f_03": frame(2, hexbytes("8F 03")),
    "exception_90_02": frame(6, hexbytes("90 02")),
}


def start(seed, routines, vmem=1024, auto_time=True, period=50):
    seed.i16(vmem).boolean(auto_time).number(period, 5, 100, 1).number(len(routines), 1, 6, 8)
    for routine in routines:
        seed.u8(routine)
    return seed


def data_event(seed, payload, sock=1):
    seed.number(0, 0, 9, 4).boolean(sock == 1).string(payload)


def events_seed(routines, payloads, tick_after=False):
    seed = start(Input().boolean(False), routines)
    for payload in payloads:
        data_event(seed, payload)
    if tick_after:
        seed.number(7, 0, 9, 4)
    return seed.bytes()


def split_seed(routines, stream, pieces):
    seed = start(Input().boolean(True), routines)
    seed.number(len(stream), 0, 4096, 8).raw(stream)
    left = len(stream)
    for piece in pieces:
        seed.number(piece, 1, left, 8)
        left -= piece
    return seed.bytes()


def process_seeds():
    seeds = {}
    routines = ALL_ROUTINES[:6]
    every_reply = b"".join(REPLIES.values())
    for name, reply in {**REPLIES, **EXCEPTIONS}.items():
        seeds[name] = events_seed(routines, [reply])
    seeds["all_replies_one_event"] = events_seed(routines, [b"".join(list(REPLIES.values())[:5])], tick_after=True)
    seeds["counter_reply_in_three_events"] = events_seed(
        routines, [REPLIES["read_64_registers_512"][:5], REPLIES["read_64_registers_512"][5:70],
                   REPLIES["read_64_registers_512"][70:]])
    seeds["exception_then_retry"] = events_seed([READ_VMEM], [EXCEPTIONS["exception_83_02"].replace(b"\x00\x08", b"\x00\x01", 1)],
                                                tick_after=True)
    seeds["garbage"] = events_seed(routines, [b"HTTP/1.1 400 Bad Request\r\n\r\n"])
    seeds["split_all_replies"] = split_seed(routines, every_reply[:4096], [3, 9, 40, 100, 1, 1, 200])
    seeds["split_byte_by_byte"] = split_seed(routines, REPLIES["read_coils_20"] + EXCEPTIONS["exception_83_02"],
                                             [1] * 20)
    return seeds


def ini(lines, crlf=False):
    return ("\r\n" if crlf else "\n").join(lines) + ("\r\n" if crlf else "\n")


def profile_seeds():
    brackwater = ["[Test]", "TimerValue=8", "Server=127.0.0.1", "Port=502", "AfterSendPauseValue=0",
                  "SendAllTimerValue=50", "", "[__Dont_Touch_Me__]", "Sectors=0"]
    files = {
        "brackwater_ini": (ini(brackwater), 2, "192.168.0.10"),
        "brackwater_ini_crlf": (ini(brackwater, crlf=True), 3, "5020"),
        "sectors": (ini(brackwater), 8, "0"),
        "comments_and_blanks": (ini(["; settings", "[Test]", "  Server = plc1  ", ";Port=1", "", "", "[Other]",
                                     "Port=9"]), 2, "  padded value  "),
        "duplicate_sections": (ini(["[test]", "A=1", "[TEST]", "A=2", "B=3"]), 1, "x" * 1100),
        "no_final_newline": ("[Test]\nServer=a", 1, "b"),
        "not_ini": ("\x00\x01binary\xff\n=\n[\n]]\n[a=b]\nk=v", 5, "line\nbreak"),
    }
    seeds = {}
    for name, (contents, line, value) in files.items():
        seeds[name] = (Input().string(contents).u16(line).boolean(False).boolean(line % 2 == 1)
                       .string("").string("").string(value, last=True).bytes())
    seeds["fresh_section"] = (Input().string(ini(brackwater)).u16(0).boolean(True).boolean(False)
                              .string("New Section").string("Key").string("Value", last=True).bytes())
    seeds["empty_file"] = (Input().string("").u16(0).boolean(True).boolean(True)
                           .string("Test").string("Server").string("127.0.0.1", last=True).bytes())
    return seeds


def plc_seeds():
    references = ["X17", "X0", "X777", "SP0", "SP777", "Y0", "Y777", "C0", "C1777", "T0", "T377", "CT0", "CT100",
                  "CT177", "S0", "S1777", "V2000", "V0", "V1177", "V77777", "  X17", "X17   ", "x17", "Q5", "",
                  "      ", "CT99999", "X89", "garbage", "SPX", "S P17"]
    seeds = {}
    for index, reference in enumerate(references):
        seeds[f"{index:02}_" + re.sub("[^A-Za-z0-9]", "_", reference)] = (Input().string(reference).number(index % 8, 0, 7, 8).u32(index * 97)
                                    .u8(index).boolean(index % 2 == 0).bytes())
    return seeds


def picture_seeds():
    cases = [("n3", "123", 7), ("n4", " 4095 ", 16384), ("n6", "502", 65535), ("n04", "0042", 42),
             ("N04", "-7", -7), ("n03", "999", 1000), ("n-7", "-1234567", -2**63), ("n-14", "+99", 2**63 - 1),
             ("s20", "127.0.0.1", 0), ("S4", "12345", -1), ("", "anything", 5), ("q9", "x", 9),
             ("n999", "9" * 30, 1), ("s0", "   ", 0)]
    seeds = {}
    for index, (code, typed, value) in enumerate(cases):
        seeds[f"pic_{index:02}"] = Input().string(code).string(typed).i64(value).bytes()
    return seeds


def write(target, seeds):
    folder = pathlib.Path(__file__).resolve().parent / "corpus" / target
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    for name, data in seeds.items():
        (folder / name).write_bytes(data)
    digest = hashlib.sha1(b"".join(seeds.values())).hexdigest()[:8]
    print(f"{target}: {len(seeds)} seeds ({digest})")


if __name__ == "__main__":
    write("process_fuzz", process_seeds())
    write("profile_fuzz", profile_seeds())
    write("plc_address_fuzz", plc_seeds())
    write("picture_fuzz", picture_seeds())
