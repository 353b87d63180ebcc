"""The TDS messages of tests/support/tdsserver.py: reading what FreeTDS sends
(LOGIN7 fields, batches, RPC parameters of every type it binds) and writing
what SQL Server answers (tokens, column metadata, rows, errors, DONE)."""

import datetime
import decimal
import re
import struct

# SQL_Latin1_General_CP1_CI_AS, as the server sends and expects it.
COLLATION = bytes([0x09, 0x04, 0xD0, 0x00, 0x34])
DONE_MORE, DONE_ERROR, DONE_COUNT, DONE_ATTN = 0x01, 0x02, 0x10, 0x20
PROC_NAMES = {2: "sp_cursoropen", 10: "sp_executesql", 11: "sp_prepare", 12: "sp_execute",
              13: "sp_prepexec", 15: "sp_unprepare"}
EPOCH = datetime.datetime(1900, 1, 1)


# ---------------------------------------------------------------- reading

class Reader:
    def __init__(self, data):
        self.data, self.pos = data, 0

    def take(self, n):
        if self.pos + n > len(self.data):
            raise ValueError("short message")
        chunk = self.data[self.pos:self.pos + n]
        self.pos += n
        return chunk

    def byte(self):
        return self.take(1)[0]

    def unpack(self, fmt):
        return struct.unpack("<" + fmt, self.take(struct.calcsize("<" + fmt)))[0]

    def ucs2(self, chars):
        return self.take(2 * chars).decode("utf-16-le")

    def at_end(self):
        return self.pos >= len(self.data)


def skip_all_headers(r, tds_version):
    if tds_version >= 0x72:
        total = r.unpack("I")
        r.take(total - 4)


def read_plp(r):
    total = r.unpack("Q")
    if total == 0xFFFFFFFFFFFFFFFF:
        return None
    parts = []
    while True:
        size = r.unpack("I")
        if size == 0:
            return b"".join(parts)
        parts.append(r.take(size))


def decode_decimal(raw, scale):
    sign, magnitude = raw[0], int.from_bytes(raw[1:], "little")
    value = decimal.Decimal(magnitude).scaleb(-scale)
    return value if sign else -value


def decode_datetime(raw):
    days, ticks = struct.unpack("<iI", raw)
    return EPOCH + datetime.timedelta(days=days, milliseconds=round(ticks * 10 / 3))


FIXED = {0x30: ("tinyint", 1), 0x32: ("bit", 1), 0x34: ("smallint", 2), 0x38: ("int", 4),
         0x7F: ("bigint", 8), 0x3E: ("float", 8), 0x3B: ("real", 4), 0x3D: ("datetime", 8)}
BYTE_LEN = {0x26: "int", 0x68: "bit", 0x6D: "float", 0x6F: "datetime", 0x24: "uniqueidentifier",
            0x6E: "money"}
SHORT_LEN = {0xA7: "varchar", 0xAF: "char", 0xE7: "nvarchar", 0xEF: "nchar", 0xA5: "varbinary",
             0xAD: "binary"}
LONG_LEN = {0x23: "text", 0x63: "ntext", 0x22: "image"}


def read_value(r):
    """One TYPE_INFO and its value: (type name, python value)."""
    t = r.byte()
    if t in FIXED:
        name, size = FIXED[t]
        return name, fixed_value(name, r.take(size))
    if t in BYTE_LEN:
        r.byte()
        size = r.byte()
        return BYTE_LEN[t], None if size == 0 else fixed_value(BYTE_LEN[t], r.take(size))
    if t in (0x6A, 0x6C):
        r.byte()
        precision, scale = r.byte(), r.byte()
        size = r.byte()
        value = None if size == 0 else decode_decimal(r.take(size), scale)
        return "decimal(%d,%d)" % (precision, scale), value
    if t == 0x28:
        size = r.byte()
        value = None if size == 0 else EPOCH.date().fromordinal(
            1 + int.from_bytes(r.take(3), "little"))
        return "date", value
    if t in SHORT_LEN:
        name, maxlen = SHORT_LEN[t], r.unpack("H")
        if t in (0xA7, 0xAF, 0xE7, 0xEF):
            r.take(5)
        if maxlen == 0xFFFF:
            raw, name = read_plp(r), name + "(max)"
        else:
            size = r.unpack("H")
            raw = None if size == 0xFFFF else r.take(size)
        return name, text_of(name, raw)
    if t in LONG_LEN:
        name = LONG_LEN[t]
        r.unpack("I")
        if t != 0x22:
            r.take(5)
        size = r.unpack("I")
        raw = None if size == 0xFFFFFFFF else r.take(size)
        return name, text_of(name, raw)
    raise ValueError("parameter type 0x%02x not understood" % t)


def fixed_value(name, raw):
    if name == "datetime":
        return decode_datetime(raw)
    if name == "float":
        return struct.unpack("<d" if len(raw) == 8 else "<f", raw)[0]
    if name == "bit":
        return bool(raw[0])
    return int.from_bytes(raw, "little", signed=name != "tinyint")


def text_of(name, raw):
    if raw is None:
        return None
    if name.startswith("n"):
        return raw.decode("utf-16-le")
    if "bin" in name or name == "image":
        return raw
    return raw.decode("cp1252")


def shown(type_name, value):
    """A parameter value as T-SQL would write it, for the transcript."""
    if value is None:
        return "NULL"
    if isinstance(value, bool):
        return "1" if value else "0"
    if isinstance(value, datetime.datetime):
        return "'%s'" % value.strftime("%Y-%m-%d %H:%M:%S.%f")[:-3]
    if isinstance(value, datetime.date):
        return "'%s'" % value.isoformat()
    if isinstance(value, bytes):
        return "0x" + value.hex().upper()
    if isinstance(value, str):
        prefix = "N" if type_name.startswith("n") else ""
        return prefix + "'" + value.replace("'", "''") + "'"
    return str(value)


def read_rpc(r, tds_version):
    skip_all_headers(r, tds_version)
    size = r.unpack("H")
    proc = PROC_NAMES.get(r.unpack("H"), "proc?") if size == 0xFFFF else r.ucs2(size)
    r.unpack("H")
    params = []
    while not r.at_end():
        name = r.ucs2(r.byte())
        status = r.byte()
        type_name, value = read_value(r)
        params.append({"name": name, "output": bool(status & 1), "type": type_name,
                       "value": value})
    return proc, params


# ---------------------------------------------------------------- writing

def b_varchar(text):
    return bytes([len(text)]) + text.encode("utf-16-le")


def us_varchar(text):
    return struct.pack("<H", len(text)) + text.encode("utf-16-le")


def token(kind, body):
    return bytes([kind]) + struct.pack("<H", len(body)) + body


def envchange(kind, new, old):
    return token(0xE3, bytes([kind]) + b_varchar(new) + b_varchar(old))


def message(kind, number, state, klass, text, line=1):
    body = (struct.pack("<iBB", number, state, klass) + us_varchar(text) + b_varchar("TDSTEST") +
            b_varchar("") + struct.pack("<i", line))
    return token(kind, body)


def error_token(e):
    return message(0xAA, e["number"], e.get("state", 1), e.get("class", 16), e["text"])


def done(kind, status, count=0, command=0xC1):
    return bytes([kind]) + struct.pack("<HHQ", status, command, count)


COLUMN_TYPE = re.compile(r"(\w+)(?:\((max|\d+)(?:,\s*(\d+))?\))?$", re.I)
DECIMAL_SIZES = [(9, 5), (19, 9), (28, 13), (38, 17)]
INT_SIZES = {"tinyint": 1, "smallint": 2, "int": 4, "bigint": 8}


class ColumnType:
    def __init__(self, text):
        m = COLUMN_TYPE.match(text.strip().lower())
        if not m:
            raise ValueError("column type %r" % text)
        self.name, size, scale = m.group(1), m.group(2), m.group(3)
        if self.name == "sysname":
            self.name, size = "nvarchar", "128"
        self.max = size == "max"
        self.size = 0 if self.max or size is None else int(size)
        self.scale = int(scale or 0)

    def info(self):
        n = self.name
        if n in INT_SIZES:
            return bytes([0x26, INT_SIZES[n]])
        if n == "bit":
            return bytes([0x68, 1])
        if n == "float":
            return bytes([0x6D, 8])
        if n == "datetime":
            return bytes([0x6F, 8])
        if n in ("decimal", "numeric"):
            precision = self.size or 18
            width = next(w for p, w in DECIMAL_SIZES if precision <= p)
            return bytes([0x6A if n == "decimal" else 0x6C, width, precision, self.scale])
        kinds = {"varchar": 0xA7, "char": 0xAF, "nvarchar": 0xE7, "nchar": 0xEF}
        if n in kinds:
            length = 0xFFFF if self.max else self.size * (2 if n.startswith("n") else 1)
            return bytes([kinds[n]]) + struct.pack("<H", length) + COLLATION
        raise ValueError("column type %r not offered" % n)

    def value(self, v):
        n = self.name
        if n in INT_SIZES or n == "bit":
            size = INT_SIZES.get(n, 1)
            return b"\0" if v is None else bytes([size]) + int(v).to_bytes(size, "little",
                                                                           signed=n != "tinyint")
        if n == "float":
            return b"\0" if v is None else b"\x08" + struct.pack("<d", float(v))
        if n == "datetime":
            if v is None:
                return b"\0"
            when = datetime.datetime.fromisoformat(v)
            delta = when - EPOCH
            ticks = round((delta.seconds + delta.microseconds / 1e6) * 300)
            return b"\x08" + struct.pack("<iI", delta.days, ticks)
        if n in ("decimal", "numeric"):
            width = self.info()[1]
            if v is None:
                return b"\0"
            d = decimal.Decimal(str(v)).scaleb(self.scale)
            return (bytes([width, 0 if d < 0 else 1]) +
                    int(abs(d)).to_bytes(width - 1, "little"))
        text = None if v is None else str(v)
        if n in ("char", "nchar") and text is not None:
            text = text.ljust(self.size)
        raw = None if text is None else text.encode("utf-16-le" if n.startswith("n") else "cp1252")
        if self.max:
            if raw is None:
                return b"\xff" * 8
            chunk = struct.pack("<I", len(raw)) + raw if raw else b""
            return struct.pack("<Q", len(raw)) + chunk + b"\0\0\0\0"
        return b"\xff\xff" if raw is None else struct.pack("<H", len(raw)) + raw


def column_metadata(columns):
    meta = struct.pack("<H", len(columns))
    for name, type_text in columns:
        meta += struct.pack("<IH", 0, 0x0009) + ColumnType(type_text).info() + b_varchar(name)
    return b"\x81" + meta


def result_tokens(rule, in_proc):
    """The answer to one statement, without the closing DONE/DONEPROC. With
    both rows and an error, the rows come first, as when a statement fails
    half-way through its result."""
    if "error" in rule and "columns" not in rule:
        return error_token(rule["error"]), True, 0
    end = 0xFF if in_proc else 0xFD
    more = DONE_MORE if in_proc else 0
    if "columns" in rule:
        types = [ColumnType(type_text) for _, type_text in rule["columns"]]
        out = column_metadata(rule["columns"])
        for row in rule.get("rows", []):
            out += b"\xd1" + b"".join(t.value(v) for t, v in zip(types, row))
        count = len(rule.get("rows", []))
        if "error" in rule:
            return out + error_token(rule["error"]), True, count
        return out + (done(end, DONE_COUNT | more, count) if in_proc else b""), False, count
    if "rowcount" in rule:
        count = rule["rowcount"]
        return (done(end, DONE_COUNT | more, count, 0xC3) if in_proc else b""), False, count
    return b"", False, None


def return_value(ordinal, value):
    """RETURNVALUE of an int output parameter."""
    return (b"\xac" + struct.pack("<H", ordinal) + b_varchar("") + b"\x01" +
            struct.pack("<IH", 0, 0) + bytes([0x26, 4, 4]) + struct.pack("<i", value))
