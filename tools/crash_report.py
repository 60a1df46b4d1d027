#!/usr/bin/python3
"""Reads a crash report (a Windows x64 minidump) and prints what a developer needs first.

    crash_report.py REPORT [SYMBOLS]

Prints the exception and its thread, the faulting address as module + offset, and the crashed
thread's stack: walked with the x64 unwind data (.pdata/.xdata) of every module whose PE file is at
hand, and where that is not possible, scanned for return addresses into loaded modules (such
frames are marked "(scan)"). Functions and source lines come from mingw-w64's addr2line.

SYMBOLS is either a program file with debug information, which serves the module of the same name
(or else the main program) when its PE time stamp matches the report's, or a symbol folder laid out
as SYMBOLS/<module>/<TIMESTAMP %08X><SIZEOFIMAGE %x>/<module>. LUMVANE_MODULE_PATH (folders
separated by ':') may name where other modules' PE files are, for unwinding through them.

Standard library only; exits with status 1 and one line on stderr for anything that is not a
readable minidump.
"""

import bisect
import datetime
import os
import shutil
import signal
import struct
import subprocess
import sys
from dataclasses import dataclass, field

MINIDUMP_SIGNATURE = b"MDMP"
THREAD_LIST_STREAM = 3
MODULE_LIST_STREAM = 4
MEMORY_LIST_STREAM = 5
EXCEPTION_STREAM = 6
MEMORY64_LIST_STREAM = 9
COMMENT_STREAM_W = 11
DIRECTORY_ENTRY_SIZE = 12
THREAD_SIZE = 48
MODULE_SIZE = 108
MEMORY_DESCRIPTOR_SIZE = 16
EXCEPTION_PARAMETERS = 15

# x64 CONTEXT: the 16 general registers from Rax in their encoding order, then Rip.
CONTEXT_RAX = 0x78
CONTEXT_RIP = 0xF8
GENERAL_REGISTERS = 16
RSP = 4

EXCEPTION_ACCESS_VIOLATION = 0xC0000005
ACCESS_KINDS = {0: "reading", 1: "writing", 8: "executing"}
EXCEPTION_NAMES = {
    0xC0000005: "EXCEPTION_ACCESS_VIOLATION",
    0xC0000006: "EXCEPTION_IN_PAGE_ERROR",
    0xC0000008: "EXCEPTION_INVALID_HANDLE",
    0xC000001D: "EXCEPTION_ILLEGAL_INSTRUCTION",
    0xC0000025: "EXCEPTION_NONCONTINUABLE_EXCEPTION",
    0xC000008C: "EXCEPTION_ARRAY_BOUNDS_EXCEEDED",
    0xC000008D: "EXCEPTION_FLT_DENORMAL_OPERAND",
    0xC000008E: "EXCEPTION_FLT_DIVIDE_BY_ZERO",
    0xC000008F: "EXCEPTION_FLT_INEXACT_RESULT",
    0xC0000090: "EXCEPTION_FLT_INVALID_OPERATION",
    0xC0000091: "EXCEPTION_FLT_OVERFLOW",
    0xC0000092: "EXCEPTION_FLT_STACK_CHECK",
    0xC0000093: "EXCEPTION_FLT_UNDERFLOW",
    0xC0000094: "EXCEPTION_INT_DIVIDE_BY_ZERO",
    0xC0000095: "EXCEPTION_INT_OVERFLOW",
    0xC0000096: "EXCEPTION_PRIV_INSTRUCTION",
    0xC00000FD: "EXCEPTION_STACK_OVERFLOW",
    0xC00002B4: "STATUS_FLOAT_MULTIPLE_FAULTS",
    0xC00002B5: "STATUS_FLOAT_MULTIPLE_TRAPS",
    0xC0000374: "STATUS_HEAP_CORRUPTION",
    0xC0000409: "STATUS_STACK_BUFFER_OVERRUN",
    0xC0000417: "STATUS_INVALID_CRUNTIME_PARAMETER",
    0x80000002: "EXCEPTION_DATATYPE_MISALIGNMENT",
    0x80000003: "EXCEPTION_BREAKPOINT",
    0x80000004: "EXCEPTION_SINGLE_STEP",
    0x40000015: "STATUS_FATAL_APP_EXIT",
    0xE06D7363: "C++ exception (Microsoft C++ runtime)",
    0x20474343: "C++ exception (GCC runtime)",
    0xE04C0001: "std::terminate (an unhandled C++ exception or a pure virtual call)",
}

PE_SIGNATURE = b"PE\0\0"
PE32_PLUS_MAGIC = 0x20B
EXCEPTION_DIRECTORY = 3
SECTION_HEADER_SIZE = 40
RUNTIME_FUNCTION_SIZE = 12

UWOP_PUSH_NONVOL, UWOP_ALLOC_LARGE, UWOP_ALLOC_SMALL, UWOP_SET_FPREG = 0, 1, 2, 3
UWOP_SAVE_NONVOL, UWOP_SAVE_NONVOL_FAR, UWOP_SAVE_XMM128, UWOP_SAVE_XMM128_FAR = 4, 5, 8, 9
UWOP_PUSH_MACHFRAME = 10
UNW_FLAG_CHAININFO = 4
MAX_CHAINED_UNWIND_INFOS = 32

MAX_FRAMES = 64
CALL_REL32, CALL_INDIRECT, REX_PREFIX = 0xE8, 0xFF, 0x40
MAX_CALL_LENGTH = 8                        # REX, FF /2, ModRM, SIB, 32-bit displacement
ADDR2LINE = "x86_64-w64-mingw32-addr2line"
MODULE_PATH_VARIABLE = "LUMVANE_MODULE_PATH"


class ReportError(Exception):
    """Input that cannot be read; the message says what and where."""


class Reader:
    """Bounds-checked little-endian reads from a file's bytes."""

    def __init__(self, data, what):
        self.data, self.what = data, what

    def bytes(self, offset, size):
        if offset < 0 or size < 0 or offset + size > len(self.data):
            raise ReportError(f"{self.what} is truncated: {size} bytes at offset {offset:#x} "
                              f"lie past its end ({len(self.data)} bytes)")
        return self.data[offset:offset + size]

    def unpack(self, fmt, offset):
        return struct.unpack_from("<" + fmt, self.bytes(offset, struct.calcsize("<" + fmt)))

    def u32(self, offset):
        return self.unpack("I", offset)[0]


# ---------------------------------------------------------------------------------------------
# The minidump.

@dataclass(eq=False)
class Module:
    base: int
    size: int
    timestamp: int
    path: str
    image: "PeImage | None" = None        # PE file whose bytes and unwind data serve this module
    symbol_file: str | None = None        # file with debug information for addr2line

    @property
    def name(self):
        return self.path.replace("\\", "/").rsplit("/", 1)[-1]


@dataclass
class Thread:
    thread_id: int
    stack_start: int
    stack_size: int
    context: tuple


@dataclass
class ExceptionRecord:
    thread_id: int
    code: int
    address: int
    parameters: tuple
    context: tuple | None


class Memory:
    """The process memory a report holds, as disjoint sorted (start, size, file offset) ranges."""

    def __init__(self, reader):
        self.reader, self.ranges, self.starts = reader, [], []

    def add(self, start, size, offset):
        self.reader.bytes(offset, size)
        self.ranges.append((start, size, offset))

    def finish(self):
        """Sorts the ranges and trims overlaps (a stack is often listed twice with the same bytes)."""
        disjoint = []
        for start, size, offset in sorted(self.ranges):
            end = disjoint[-1][0] + disjoint[-1][1] if disjoint else 0
            if start + size > end:
                cut = max(0, end - start)
                disjoint.append((start + cut, size - cut, offset + cut))
        self.ranges, self.starts = disjoint, [start for start, _, _ in disjoint]

    def u64(self, address):
        """The 8 bytes at address, or None when the report did not keep them."""
        index = bisect.bisect_right(self.starts, address) - 1
        if index < 0:
            return None
        start, size, offset = self.ranges[index]
        if address + 8 > start + size:
            return None
        return struct.unpack_from("<Q", self.reader.data, offset + address - start)[0]


@dataclass
class Minidump:
    time: int
    modules: list = field(default_factory=list)
    threads: list = field(default_factory=list)
    exception: ExceptionRecord | None = None
    comment: str | None = None
    memory: Memory | None = None

    def module_at(self, address):
        return next((m for m in self.modules if m.base <= address < m.base + m.size), None)


def read_context(reader, offset, size):
    """The general registers and Rip, or None when the report has no full x64 CONTEXT there."""
    if size < CONTEXT_RIP + 8:
        return None
    return reader.unpack(f"{GENERAL_REGISTERS}Q", offset + CONTEXT_RAX) + reader.unpack("Q", offset + CONTEXT_RIP)


def read_minidump(data):
    reader = Reader(data, "the report")
    if reader.bytes(0, 4) != MINIDUMP_SIGNATURE:
        raise ReportError("the report is not a minidump (no MDMP signature)")
    _, _, stream_count, directory, _, time, _ = reader.unpack("4sIIIIIQ", 0)
    dump = Minidump(time=time, memory=Memory(reader))
    for index in range(stream_count):
        kind, size, offset = reader.unpack("III", directory + index * DIRECTORY_ENTRY_SIZE)
        reader.bytes(offset, size)
        if kind == MODULE_LIST_STREAM:
            dump.modules = read_modules(reader, offset)
        elif kind == THREAD_LIST_STREAM:
            dump.threads = read_threads(reader, offset, dump.memory)
        elif kind == MEMORY_LIST_STREAM:
            read_memory_list(reader, offset, dump.memory)
        elif kind == MEMORY64_LIST_STREAM:
            read_memory64_list(reader, offset, dump.memory)
        elif kind == EXCEPTION_STREAM:
            dump.exception = read_exception(reader, offset)
        elif kind == COMMENT_STREAM_W:
            dump.comment = reader.bytes(offset, size).decode("utf-16-le", "replace").split("\0")[0]
    dump.memory.finish()
    return dump


def read_string(reader, offset):
    length = reader.u32(offset)
    return reader.bytes(offset + 4, length).decode("utf-16-le", "replace")


def read_modules(reader, offset):
    modules = []
    for index in range(reader.u32(offset)):
        entry = offset + 4 + index * MODULE_SIZE
        base, size, _, timestamp, name = reader.unpack("QIIII", entry)
        modules.append(Module(base, size, timestamp, read_string(reader, name)))
    return modules


def read_threads(reader, offset, memory):
    threads = []
    for index in range(reader.u32(offset)):
        entry = offset + 4 + index * THREAD_SIZE
        thread_id, _, _, _, _, stack, stack_size, stack_offset, context_size, context = \
            reader.unpack("IIIIQQIIII", entry)
        memory.add(stack, stack_size, stack_offset)
        threads.append(Thread(thread_id, stack, stack_size, read_context(reader, context, context_size)))
    return threads


def read_memory_list(reader, offset, memory):
    for index in range(reader.u32(offset)):
        start, size, data = reader.unpack("QII", offset + 4 + index * MEMORY_DESCRIPTOR_SIZE)
        memory.add(start, size, data)


def read_memory64_list(reader, offset, memory):
    count, data = reader.unpack("QQ", offset)
    for index in range(count):
        start, size = reader.unpack("QQ", offset + 16 + index * MEMORY_DESCRIPTOR_SIZE)
        memory.add(start, size, data)
        data += size


def read_exception(reader, offset):
    thread_id, _, code, _, _, address, count, _ = reader.unpack("IIIIQQII", offset)
    parameters = reader.unpack(f"{EXCEPTION_PARAMETERS}Q", offset + 40)[:min(count, EXCEPTION_PARAMETERS)]
    context_size, context = reader.unpack("II", offset + 40 + 8 * EXCEPTION_PARAMETERS)
    return ExceptionRecord(thread_id, code, address, parameters, read_context(reader, context, context_size))


# ---------------------------------------------------------------------------------------------
# PE files: time stamp, image size, section bytes and the x64 unwind data.

@dataclass
class PeImage:
    reader: Reader
    image_base: int
    size_of_image: int
    timestamp: int
    sections: list            # (rva, file offset, size in the file)
    functions: tuple          # (rva, size) of the RUNTIME_FUNCTION table

    def rva_bytes(self, rva, size):
        for start, offset, raw_size in self.sections:
            if start <= rva and rva + size <= start + raw_size:
                return self.reader.bytes(offset + rva - start, size)
        raise ReportError(f"{self.reader.what} has no bytes at RVA {rva:#x}")

    def function_at(self, rva):
        """The RUNTIME_FUNCTION (begin, end, unwind info RVA) covering rva, or None (a leaf)."""
        table, size = self.functions
        low, high = 0, size // RUNTIME_FUNCTION_SIZE
        while low < high:
            middle = (low + high) // 2
            begin, end, unwind = struct.unpack("<III", self.rva_bytes(table + middle * RUNTIME_FUNCTION_SIZE,
                                                                      RUNTIME_FUNCTION_SIZE))
            if rva < begin:
                high = middle
            elif rva >= end:
                low = middle + 1
            else:
                return begin, end, unwind
        return None


def read_pe(path):
    with open(path, "rb") as file:
        reader = Reader(file.read(), path)
    if reader.bytes(0, 2) != b"MZ" or reader.bytes(reader.u32(0x3C), 4) != PE_SIGNATURE:
        raise ReportError(f"{path} is not a PE file")
    header = reader.u32(0x3C) + 4
    section_count, timestamp, optional_size = reader.unpack("2xHI8xH", header)
    optional = header + 20
    if reader.unpack("H", optional)[0] != PE32_PLUS_MAGIC:
        raise ReportError(f"{path} is not a 64-bit PE file")
    directories = reader.u32(optional + 108)
    functions = reader.unpack("II", optional + 112 + 8 * EXCEPTION_DIRECTORY) \
        if directories > EXCEPTION_DIRECTORY else (0, 0)
    sections = [reader.unpack("8xIIII", optional + optional_size + index * SECTION_HEADER_SIZE)
                for index in range(section_count)]
    sections = [(rva, offset, min(raw_size, virtual_size) or raw_size)
                for virtual_size, rva, raw_size, offset in sections]
    return PeImage(reader, reader.unpack("Q", optional + 24)[0], reader.u32(optional + 56), timestamp,
                   sections, functions)


def try_read_pe(path):
    try:
        return read_pe(path)
    except (OSError, ReportError):
        return None


def matches(image, module):
    return image is not None and image.timestamp == module.timestamp and image.size_of_image == module.size


def attach_symbols(dump, symbols):
    """Gives modules their PE files and debug information; returns the lines that say which."""
    if os.path.isdir(symbols):
        return attach_symbol_folder(dump, symbols)
    image = read_pe(symbols)
    name = os.path.basename(symbols).lower()
    module = next((m for m in dump.modules if m.name.lower() == name), None) or \
        next((m for m in dump.modules if m.name.lower().endswith(".exe")), None)
    if module is None:
        return ["Symbols: the report lists no modules"]
    if image.timestamp != module.timestamp:
        return [f"Symbols: {symbols} (time stamp {image.timestamp:08X}) is not the build of {module.name} "
                f"in the report ({module.timestamp:08X}): symbols do not match"]
    module.image, module.symbol_file = image, symbols
    return [f"Symbols: {module.name} from {symbols}"]


def attach_symbol_folder(dump, folder):
    """The folder's key is the shipped module's time stamp and image size, which the file with the
    debug information itself need not carry (stripping shrinks the image)."""
    lines = []
    for module in dump.modules:
        path = os.path.join(folder, module.name, f"{module.timestamp:08X}{module.size:x}", module.name)
        if os.path.isfile(path):
            module.image, module.symbol_file = read_pe(path), path
            lines.append(f"Symbols: {module.name} from {path}")
    return lines or [f"Symbols: none in {folder} for this report's modules"]


def attach_module_path(dump, folders):
    """PE files of other modules (for unwinding through them), used only when they are the same build."""
    for module in (m for m in dump.modules if m.image is None):
        paths = (os.path.join(folder, name) for folder in folders.split(":") if folder
                 for name in dict.fromkeys((module.name, module.name.lower())))
        module.image = next((image for image in map(try_read_pe, paths) if matches(image, module)), None)


# ---------------------------------------------------------------------------------------------
# The stack walk.

@dataclass
class Frame:
    address: int
    scanned: bool = False
    is_return_address: bool = True     # frame 0 and frames after a machine frame hold the faulting address


def unwind_codes(codes):
    """The UNWIND_CODE array as (prolog offset, operation, operation info, operand) in array order."""
    decoded, index = [], 0
    while index < len(codes) // 2:
        offset, operation, info = codes[2 * index], codes[2 * index + 1] & 0x0F, codes[2 * index + 1] >> 4
        if operation == UWOP_ALLOC_LARGE:
            slots = 2 if info == 0 else 3
        elif operation in (UWOP_SAVE_NONVOL, UWOP_SAVE_XMM128):
            slots = 2
        elif operation in (UWOP_SAVE_NONVOL_FAR, UWOP_SAVE_XMM128_FAR):
            slots = 3
        elif operation in (UWOP_PUSH_NONVOL, UWOP_ALLOC_SMALL, UWOP_SET_FPREG, UWOP_PUSH_MACHFRAME):
            slots = 1
        else:
            raise ReportError(f"unknown unwind operation {operation}")
        if 2 * (index + slots) > len(codes):
            raise ReportError("unwind codes run past their array")
        operand = int.from_bytes(codes[2 * index + 2:2 * (index + slots)], "little")
        decoded.append((offset, operation, info, operand))
        index += slots
    return decoded


def unwind(registers, module, memory, is_return_address):
    """One x64 virtual unwind with the module's unwind data: (caller's registers, is_return_address).

    Registers are the 16 general registers in encoding order followed by Rip."""
    registers, rip = list(registers[:GENERAL_REGISTERS]), registers[GENERAL_REGISTERS]
    image, rva = module.image, rip - module.base

    def load(address):
        value = memory.u64(address)
        if value is None:
            raise ReportError(f"stack memory at {address:#x} is not in the report")
        return value

    function = image.function_at(rva - 1 if is_return_address else rva)
    if function is not None:
        begin, _, info_rva = function
        prolog_offset, frame_base = rva - begin, None
        for depth in range(MAX_CHAINED_UNWIND_INFOS):
            version_flags, prolog_size, code_count, frame = image.rva_bytes(info_rva, 4)
            codes = unwind_codes(image.rva_bytes(info_rva + 4, 2 * code_count))
            frame_register, frame_offset = frame & 0x0F, (frame >> 4) * 16
            in_prolog = depth == 0 and prolog_offset < prolog_size
            if in_prolog:
                codes = [code for code in codes if code[0] <= prolog_offset]
            if frame_base is None:
                frame_set = frame_register and any(code[1] == UWOP_SET_FPREG for code in codes)
                frame_base = registers[frame_register] - frame_offset if frame_set else registers[RSP]
            for _, operation, info, operand in codes:
                if operation == UWOP_PUSH_NONVOL:
                    registers[info] = load(registers[RSP])
                    registers[RSP] += 8
                elif operation == UWOP_ALLOC_LARGE:
                    registers[RSP] += operand * 8 if info == 0 else operand
                elif operation == UWOP_ALLOC_SMALL:
                    registers[RSP] += info * 8 + 8
                elif operation == UWOP_SET_FPREG:
                    registers[RSP] = registers[frame_register] - frame_offset
                elif operation == UWOP_SAVE_NONVOL:
                    registers[info] = load(frame_base + operand * 8)
                elif operation == UWOP_SAVE_NONVOL_FAR:
                    registers[info] = load(frame_base + operand)
                elif operation == UWOP_PUSH_MACHFRAME:
                    machine_frame = registers[RSP] + 8 * info
                    registers[RSP] = load(machine_frame + 0x18)
                    return tuple(registers) + (load(machine_frame),), False
            if not version_flags >> 3 & UNW_FLAG_CHAININFO:
                break
            chained = info_rva + 4 + 2 * (code_count + code_count % 2)
            info_rva = struct.unpack("<III", image.rva_bytes(chained, RUNTIME_FUNCTION_SIZE))[2]
    return_address = load(registers[RSP])
    registers[RSP] += 8
    return tuple(registers) + (return_address,), True


def indirect_call_length(modrm):
    """Length of an FF /2 call (opcode, ModRM, SIB, displacement) with this ModRM byte, or 0."""
    if modrm & 0x38 != 0x10:
        return 0
    mode, base = modrm >> 6, modrm & 7
    if mode == 3:
        return 2
    sib = 1 if base == 4 else 0
    displacement = {0: 4 if base == 5 else 0, 1: 1, 2: 4}[mode]
    return 2 + sib + displacement


def follows_call(module, address):
    """Whether the bytes before address in the module's image end in a call instruction."""
    try:
        before = module.image.rva_bytes(address - module.base - MAX_CALL_LENGTH, MAX_CALL_LENGTH)
    except ReportError:
        return False
    if before[-5] == CALL_REL32:
        return True
    for length in range(2, MAX_CALL_LENGTH + 1):
        opcode = MAX_CALL_LENGTH - length
        if before[opcode] == CALL_INDIRECT:
            implied = indirect_call_length(before[opcode + 1])
            if implied == length or implied + 1 == length and before[opcode - 1] & 0xF0 == REX_PREFIX:
                return True
    return False


def scan(dump, start, end):
    """The first stack slot at or above start holding a likely return address: (slot, address)."""
    for slot in range(start + (-start) % 8, end - 7, 8):
        value = dump.memory.u64(slot)
        module = dump.module_at(value) if value is not None else None
        if module is not None and (module.image is None or follows_call(module, value)):
            return slot, value
    return None


def walk(dump, registers, stack_end):
    """The crashed thread's frames, from the faulting context up to the stack's end."""
    frames = [Frame(registers[GENERAL_REGISTERS], is_return_address=False)]
    while len(frames) < MAX_FRAMES:
        module = dump.module_at(frames[-1].address)
        if module is not None and module.image is not None:
            try:
                caller, is_return_address = unwind(registers, module, dump.memory, frames[-1].is_return_address)
            except ReportError:
                caller = None
            if caller is not None and caller[GENERAL_REGISTERS] == 0:
                break
            if caller is not None and registers[RSP] < caller[RSP] <= stack_end and \
                    dump.module_at(caller[GENERAL_REGISTERS]):
                registers = caller
                frames.append(Frame(caller[GENERAL_REGISTERS], is_return_address=is_return_address))
                continue
        found = scan(dump, registers[RSP], stack_end)
        if found is None:
            break
        slot, address = found
        registers = registers[:RSP] + (slot + 8,) + registers[RSP + 1:GENERAL_REGISTERS] + (address,)
        frames.append(Frame(address, scanned=True))
    return frames


# ---------------------------------------------------------------------------------------------
# Functions and source lines.

def addr2line(path, addresses):
    """{virtual address: [(function, file:line), ...] innermost first} from the file's DWARF."""
    if not addresses or shutil.which(ADDR2LINE) is None:
        return {}
    output = subprocess.run([ADDR2LINE, "-a", "-f", "-C", "-i", "-e", path] + [f"{a:#x}" for a in addresses],
                            capture_output=True, text=True, errors="replace").stdout
    places, pending = {}, []
    for line in output.splitlines():
        if line.startswith("0x") and not pending:
            current = places.setdefault(int(line, 16), [])
        elif places:
            pending.append(line)
            if len(pending) == 2:
                current.append(tuple(pending))
                pending = []
    return places


def source_path(location):
    """The program's builds write folders relative to the source and build trees, so addr2line joins
    an object's folder (say "src") with a source path that already starts with it
    ("src/src/skin/SkinImage.cpp"): the repeated leading folders are dropped."""
    parts = location.split("/")
    for length in range(1, len(parts) // 2 + 1):
        if parts[:length] == parts[length:2 * length]:
            return "/".join(parts[length:])
    return location


def describe_places(places):
    parts = []
    for function, location in places:
        known_function = function != "??"
        known_location = not location.startswith("??") and location.split(":")[-1].split(" ")[0] not in ("?", "0")
        if known_function or known_location:
            text = function if known_function else "?"
            parts.append(text + (f" at {source_path(location.split(' (discriminator')[0])}" if known_location else ""))
    return ", inlined in ".join(parts)


class Symbolizer:
    """Looks up many addresses with one addr2line run per symbol file."""

    def __init__(self, dump, lookups):
        self.dump, self.places = dump, {}
        by_file = {}
        for address in lookups:
            module = dump.module_at(address)
            if module is not None and module.symbol_file is not None:
                by_file.setdefault(module, []).append(address)
        for module, addresses in by_file.items():
            virtual = {module.image.image_base + a - module.base: a for a in addresses}
            for found, places in addr2line(module.symbol_file, sorted(virtual)).items():
                if found in virtual:
                    self.places[virtual[found]] = places

    def describe(self, address):
        module = self.dump.module_at(address)
        where = f"{module.name}+{address - module.base:#x}" if module else f"{address:#018x}"
        return where, describe_places(self.places.get(address, []))


# ---------------------------------------------------------------------------------------------
# The report.

def exception_lines(exception):
    name = EXCEPTION_NAMES.get(exception.code, "unknown exception code")
    line = f"Exception: 0x{exception.code:08X} {name}"
    if exception.code == EXCEPTION_ACCESS_VIOLATION and len(exception.parameters) >= 2:
        kind = ACCESS_KINDS.get(exception.parameters[0], "accessing")
        line += f" {kind} address {exception.parameters[1]:#x}"
    return [line, f"Thread: {exception.thread_id:#x}"]


def report(dump, symbol_lines):
    exception = dump.exception
    if exception is not None:
        lines = exception_lines(exception)
        thread = next((t for t in dump.threads if t.thread_id == exception.thread_id), None)
    else:
        lines = ["Exception: none (the report has no exception stream)"]
        thread = dump.threads[0] if dump.threads else None
    time = datetime.datetime.fromtimestamp(dump.time, datetime.timezone.utc)
    lines += [f"Modules: {len(dump.modules)}", f"Time: {time:%Y-%m-%d %H:%M:%S} UTC"]
    if dump.comment:
        lines.append(f"Note: {dump.comment}")
    lines += symbol_lines

    context = exception.context if exception is not None and exception.context else thread and thread.context
    frames = walk(dump, context, thread.stack_start + thread.stack_size) if thread and context else []
    fault = exception.address if exception is not None else frames[0].address if frames else None
    lookups = [f.address - 1 if f.is_return_address else f.address for f in frames]
    symbolizer = Symbolizer(dump, lookups + ([fault] if fault is not None else []))
    if fault is not None:
        where, place = symbolizer.describe(fault)
        lines.append(f"Address: {where}" + (f" in {place}" if place else ""))
    lines.append("Stack:" if frames else "Stack: the report holds no stack for the crashed thread")
    for number, (frame, lookup) in enumerate(zip(frames, lookups)):
        where, _ = symbolizer.describe(frame.address)
        _, place = symbolizer.describe(lookup)
        lines.append(f"  #{number} {where}" + (f" [{place}]" if place else "") + (" (scan)" if frame.scanned else ""))
    if len(frames) == MAX_FRAMES:
        lines.append(f"  (stopped after {MAX_FRAMES} frames)")
    return lines


def main(argv):
    signal.signal(signal.SIGPIPE, signal.SIG_DFL)      # quiet when the output is cut short by a pager
    if len(argv) not in (2, 3) or argv[1] in ("-h", "--help"):
        print("usage: crash-report.sh REPORT [SYMBOLS]   (SYMBOLS: the program file or a symbol folder)",
              file=sys.stderr)
        return 2
    try:
        with open(argv[1], "rb") as file:
            dump = read_minidump(file.read())
        symbol_lines = attach_symbols(dump, argv[2]) if len(argv) == 3 else []
        attach_module_path(dump, os.environ.get(MODULE_PATH_VARIABLE, ""))
        print("\n".join(report(dump, symbol_lines)))
    except (OSError, ReportError) as error:
        print(f"crash-report: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
