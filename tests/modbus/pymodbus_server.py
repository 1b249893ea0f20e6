#!/usr/bin/python3
"""A Modbus TCP server made with pymodbus and laid out like a DL06 controller,
so Brackwater's requests can be checked against a server that is not its own.

Listens on 127.0.0.1 only, on an ephemeral port unless --port is given, and
prints "listening on 127.0.0.1:PORT" once it accepts connections. Every write
it stores is printed as one line, e.g. "write coils 2048: 1 0 1 1" or
"write registers 512: 4660 22136". Addresses outside the DL06 map are answered
with exception 02 by pymodbus itself. Ends on SIGTERM or SIGINT.

Needs Debian's python3-pymodbus (3.0); run it with /usr/bin/python3.
"""
import argparse
import asyncio
import logging
import signal

from pymodbus.datastore import (
    ModbusServerContext,
    ModbusSlaveContext,
    ModbusSparseDataBlock,
)
from pymodbus.server.async_io import ModbusTcpServer

# Modbus addresses from 0, as the DL06 maps its memory.
COILS = [(0, 2560), (3072, 4096), (5120, 6528)]  # GY, Y; C; S, T, CT
DISCRETE_INPUTS = [(0, 2560), (3072, 3584)]  # GX, X; SP
REGISTERS = [(0, 17056)]  # V0 - V41237; counters V1000 - V1177 at 512 - 639


class LoggedBlock(ModbusSparseDataBlock):
    """Holds only the addresses of its ranges and prints every write."""

    def __init__(self, name, ranges):
        super().__init__({start: [0] * (end - start) for start, end in ranges}, mutable=False)
        self.name = name

    def setValues(self, address, values, use_as_default=False):
        super().setValues(address, values, use_as_default)
        shown = " ".join(str(int(value)) for value in values)
        print(f"write {self.name} {address}: {shown}", flush=True)


async def serve(port):
    registers = LoggedBlock("registers", REGISTERS)
    store = ModbusSlaveContext(
        co=LoggedBlock("coils", COILS),
        di=LoggedBlock("inputs", DISCRETE_INPUTS),
        hr=registers,
        ir=registers,
        zero_mode=True,
    )
    server = ModbusTcpServer(
        ModbusServerContext(slaves=store, single=True),
        address=("127.0.0.1", port),
        loop=asyncio.get_running_loop(),
    )
    task = asyncio.create_task(server.serve_forever())
    await server.serving
    bound = server.server.sockets[0].getsockname()[1]
    print(f"listening on 127.0.0.1:{bound}", flush=True)

    stop = asyncio.Event()
    for number in (signal.SIGTERM, signal.SIGINT):
        asyncio.get_running_loop().add_signal_handler(number, stop.set)
    await stop.wait()
    await server.shutdown()
    task.cancel()
    print("stopped", flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=0, help="TCP port (default: a free one)")
    arguments = parser.parse_args()
    logging.basicConfig(level=logging.CRITICAL)  # a client leaving is logged as an error
    asyncio.run(serve(arguments.port))


if __name__ == "__main__":
    main()
