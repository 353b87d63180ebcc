"""A stand-in for SQL Server on a loopback port, for the tests of the SQL
Server path: it speaks enough TDS 7.2-7.4 for FreeTDS (pre-login, LOGIN7,
SQL batches, the RPCs of prepared and parameterised statements, attention),
records every request per connection, in order, and answers from a script.

    tdsserver.py --script FILE --transcript FILE [--host H] [--port N]

Prints "PORT <host> <port>" once it listens, then serves until killed.

The script (JSON) is read again whenever the file changes:
    {"logins": {"sa": "Harbor42"},        # user -> password; absent: anyone
     "databases": ["Corvane", "master"],  # absent: any database
     "version": "9.00.5000",              # the product version in LOGINACK
     "rules": [{"sql": "exact text" | "like": "regex (whole text)",
                "values": ["1001"],        # only for these parameter values (as shown)
                "after": "regex",          # only once a request matched it
                "times": 1,                # at most this often
                "columns": [["Valore", "nvarchar(50)"], ...],
                "rows": [["2.1"], ...],
                "rowcount": 1,
                "error": {"number": 208, "class": 16, "state": 1, "text": "..."}}]}
The first rule that fits answers. A statement that none fits gets error 50000
and is recorded as unexpected. The transcript holds one JSON object a line:
{"conn": 1, "kind": "batch"|"rpc"|"login"|"attention", "text": ..., ...}.
"""

import argparse
import datetime
import decimal
import json
import os
import re
import socket
import socketserver
import struct
import sys
import threading

# SQL_Latin1_General_CP1_CI_AS, as the server sends and expects it.
COLLATION = bytes([0x09, 0x04, 0xD0, 0x00, 0x34])
PACKET_REPLY, PACKET_BATCH, PACKET_RPC, PACKET_ATTENTION = 4, 1, 3, 6
PACKET_LOGIN7, PACKET_PRELOGIN = 16, 18
DONE_MORE, DONE_ERROR, DONE_COUNT, DONE_ATTN = 0x01, 0x02, 0x10, 0x20
PROC_NAMES = {2: "sp_cursoropen", 10: "sp_executesql", 11: "sp_prepare", 12: "sp_execute", 13: "sp_prepexec",
              15: "sp_unprepare"}
UNEXPECTED = 50000
EPOCH = datetime.datetime(1900, 1, 1)

# What the client stack says on its own at connect time, never the program.
SESSION_RULES = [
    {"like": r"(?is)\s*set\s+textsize\s+\d+\s*"},
    {"like": r"(?is)\s*select\s+'test'\s*", "columns": [["", "varchar(4)"]], "rows": [["test"]]},
    {"like": r"(?is)\s*set\s+quoted_identifier\s+on\s*"},
    {"like": r"(?is)\s*(exec\s+)?sp_datatype_info(_\d+)?\s+(11|93)\b.*",
     "columns": [["TYPE_NAME", "sysname"], ["DATA_TYPE", "smallint"], ["PRECISION", "int"]],
     "rows": [["datetime", 11, 23]]},
]
NO_CURSOR = (16954, "Executing SQL directly; no cursor.")


class Script:
    """The per-test script and the server's memory of what it has received."""

    def __init__(self, path, transcript):
        self.path = path
        self.transcript = transcript
        self.lock = threading.Lock()
        self.stamp = None
        self.data = {}
        self.received = []
        self.used = {}
        self.connections = 0

    def current(self):
        try:
            st = os.stat(self.path)
            stamp = (st.st_mtime_ns, st.st_size)
            if stamp != self.stamp:
                with open(self.path, encoding="utf-8") as f:
                    self.data = json.load(f)
                self.stamp = stamp
                self.used = {}
        except FileNotFoundError:
            self.data = {}
        return self.data

    def new_connection(self):
        with self.lock:
            self.connections += 1
            return self.connections

    def record(self, entry):
        with self.lock:
            with open(self.transcript, "a", encoding="utf-8") as f:
                f.write(json.dumps(entry, ensure_ascii=False) + "\n")

    def answer(self, text, values=(), peek=False):
        """The rule for a statement: (rule, session?) or (None, False). A peek
        (a statement only being prepared) neither uses the rule up nor counts
        as received."""
        with self.lock:
            rules = self.current().get("rules", [])
            found = None
            for index, rule in enumerate(rules):
                if not fits(rule, text):
                    continue
                # Preparing carries no values: any rule for the statement describes it.
                if not peek and rule.get("values", values) != list(values):
                    continue
                if "after" in rule and not any(re.search(rule["after"], t) for t in self.received):
                    continue
                if "times" in rule and self.used.get(index, 0) >= rule["times"]:
                    continue
                if not peek:
                    self.used[index] = self.used.get(index, 0) + 1
                found = (rule, False)
                break
            if not peek:
                self.received.append(text)
            if found:
                return found
            for rule in SESSION_RULES:
                if fits(rule, text):
                    return rule, True
            return None, False


def fits(rule, text):
    if "sql" in rule:
        return rule["sql"] == text
    return re.fullmatch(rule["like"], text, re.S) is not None


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
    def __init__(self, spec):
        m = COLUMN_TYPE.match(spec.strip().lower())
        if not m:
            raise ValueError("column type %r" % spec)
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
    for name, spec in columns:
        meta += struct.pack("<IH", 0, 0x0009) + ColumnType(spec).info() + b_varchar(name)
    return b"\x81" + meta


def result_tokens(rule, in_proc):
    """The answer to one statement, without the closing DONE/DONEPROC."""
    if "error" in rule:
        return error_token(rule["error"]), True, 0
    end = 0xFF if in_proc else 0xFD
    more = DONE_MORE if in_proc else 0
    if "columns" in rule:
        types = [ColumnType(spec) for _, spec in rule["columns"]]
        out = column_metadata(rule["columns"])
        for row in rule.get("rows", []):
            out += b"\xd1" + b"".join(t.value(v) for t, v in zip(types, row))
        count = len(rule.get("rows", []))
        return out + (done(end, DONE_COUNT | more, count) if in_proc else b""), False, count
    if "rowcount" in rule:
        count = rule["rowcount"]
        return (done(end, DONE_COUNT | more, count, 0xC3) if in_proc else b""), False, count
    return b"", False, None


def return_value(ordinal, value):
    """RETURNVALUE of an int output parameter."""
    return (b"\xac" + struct.pack("<H", ordinal) + b_varchar("") + b"\x01" +
            struct.pack("<IH", 0, 0) + bytes([0x26, 4, 4]) + struct.pack("<i", value))


# ---------------------------------------------------------------- the session

class Session(socketserver.BaseRequestHandler):
    script = None
    version = "9.00.5000"

    def setup(self):
        self.conn = self.script.new_connection()
        self.tds_version = 0x72
        self.packet_size = 4096
        self.handles = {}
        self.next_handle = 1

    def handle(self):
        try:
            while True:
                kind, payload = self.read_message()
                if kind is None:
                    return
                if kind == PACKET_PRELOGIN:
                    self.send(self.prelogin_reply())
                elif kind == PACKET_LOGIN7:
                    if not self.login(Reader(payload)):
                        return
                elif kind == PACKET_BATCH:
                    r = Reader(payload)
                    skip_all_headers(r, self.tds_version)
                    self.batch(r.take(len(payload) - r.pos).decode("utf-16-le"))
                elif kind == PACKET_RPC:
                    self.rpc(*read_rpc(Reader(payload), self.tds_version))
                elif kind == PACKET_ATTENTION:
                    self.script.record({"conn": self.conn, "kind": "attention", "text": ""})
                    self.send(done(0xFD, DONE_ATTN, 0, 0))
                else:
                    raise ValueError("packet type %d" % kind)
        except (ConnectionError, OSError):
            return
        except Exception as e:  # a client message we cannot read: say so in the transcript
            self.script.record({"conn": self.conn, "kind": "unexpected", "text": repr(e)})

    def read_exact(self, n):
        data = b""
        while len(data) < n:
            chunk = self.request.recv(n - len(data))
            if not chunk:
                raise ConnectionError("closed")
            data += chunk
        return data

    def read_message(self):
        payload, kind = b"", None
        while True:
            try:
                header = self.read_exact(8)
            except ConnectionError:
                return None, None
            kind = kind or header[0]
            status, length = header[1], struct.unpack(">H", header[2:4])[0]
            payload += self.read_exact(length - 8)
            if status & 1:
                return kind, payload

    def send(self, data):
        room = self.packet_size - 8
        chunks = [data[i:i + room] for i in range(0, len(data), room)] or [b""]
        for i, chunk in enumerate(chunks):
            last = i == len(chunks) - 1
            header = struct.pack(">BBHHBB", PACKET_REPLY, 1 if last else 0, len(chunk) + 8,
                                 self.conn, i + 1 & 0xFF, 0)
            self.request.sendall(header + chunk)

    def prelogin_reply(self):
        options = [(0, bytes([9, 0, 0x13, 0x88, 0, 0])), (1, b"\x02"), (2, b"\x00"),
                   (3, b""), (4, b"\x00")]
        offset = 5 * len(options) + 1
        head, body = b"", b""
        for kind, value in options:
            head += struct.pack(">BHH", kind, offset + len(body), len(value))
            body += value
        return head + b"\xff" + body

    def login(self, r):
        fixed = r.take(94)
        self.tds_version = fixed[7]
        self.packet_size = struct.unpack("<I", fixed[8:12])[0] or 4096

        def field(at):
            offset, chars = struct.unpack("<HH", fixed[at:at + 4])
            return r.data[offset:offset + 2 * chars]

        user = field(40).decode("utf-16-le")
        password = bytes(((b ^ 0xA5) >> 4 | (b ^ 0xA5) << 4) & 0xFF for b in field(44)).decode(
            "utf-16-le")
        database = field(68).decode("utf-16-le")
        settings = self.script.current()
        logins, databases = settings.get("logins"), settings.get("databases")
        entry = {"conn": self.conn, "kind": "login", "text": "%s@%s" % (user, database),
                 "values": ["app=" + field(48).decode("utf-16-le"),
                            "tds=%x.%x" % (self.tds_version >> 4, self.tds_version & 15)]}
        if logins is not None and logins.get(user) != password:
            entry["answer"] = "error 18456"
            self.script.record(entry)
            self.send(message(0xAA, 18456, 1, 14, "Login failed for user '%s'." % user) +
                      done(0xFD, DONE_ERROR, 0, 0))
            return False
        if databases is not None and database and database.lower() not in (
                d.lower() for d in databases):
            entry["answer"] = "error 4060"
            self.script.record(entry)
            self.send(message(0xAA, 4060, 1, 11, 'Cannot open database "%s" requested by the '
                              'login. The login failed.' % database) +
                      message(0xAA, 18456, 1, 14, "Login failed for user '%s'." % user) +
                      done(0xFD, DONE_ERROR, 0, 0))
            return False
        self.script.record(entry)
        self.send(self.login_reply(database or "master"))
        return True

    def login_reply(self, database):
        tds = {0x72: 0x72090002, 0x73: 0x730B0003, 0x74: 0x74000004}.get(self.tds_version,
                                                                         0x72090002)
        major, minor, build = (int(p) for p in self.script.current().get(
            "version", self.version).split("."))
        name = "Microsoft SQL Server"
        ack = (bytes([1]) + struct.pack(">I", tds) + b_varchar(name) +
               bytes([major, minor, build >> 8, build & 0xFF]))
        collation = bytes([0xE3]) + struct.pack("<H", 8) + bytes([7, 5]) + COLLATION + b"\0"
        return (envchange(1, database, "master") +
                message(0xAB, 5701, 2, 0, "Changed database context to '%s'." % database) +
                collation + envchange(2, "us_english", "") +
                message(0xAB, 5703, 1, 0, "Changed language setting to us_english.") +
                token(0xAD, ack) + envchange(4, str(self.packet_size), "4096") +
                done(0xFD, 0, 0, 0))

    def rule_for(self, entry):
        rule, session = self.script.answer(entry["text"], entry.get("values", []))
        if rule is None:
            entry["kind"] = "unexpected:" + entry["kind"]
            rule = {"error": {"number": UNEXPECTED, "class": 16,
                              "text": "tdsserver: unexpected statement: " + entry["text"]}}
        if session:
            entry["session"] = True
        return rule

    def describe(self, entry, rule):
        if "error" in rule:
            entry["answer"] = "error %d" % rule["error"]["number"]
        elif "columns" in rule:
            entry["answer"] = "rows %d" % len(rule.get("rows", []))
        elif "rowcount" in rule:
            entry["answer"] = "rowcount %d" % rule["rowcount"]
        self.script.record(entry)

    def batch(self, text):
        entry = {"conn": self.conn, "kind": "batch", "text": text}
        rule = self.rule_for(entry)
        self.describe(entry, rule)
        tokens, failed, count = result_tokens(rule, False)
        status = DONE_ERROR if failed else (0 if count is None else DONE_COUNT)
        command = 0xC1 if "columns" in rule else 0xC3 if "rowcount" in rule else 0
        self.send(tokens + done(0xFD, status, count or 0, command))

    def rpc(self, proc, params):
        values = [p for p in params if not p["output"]]
        entry = {"conn": self.conn, "kind": "rpc", "proc": proc}
        if proc == "sp_unprepare":
            entry["text"] = ""
            self.handles.pop(params[0]["value"], None)
            self.script.record(entry)
            self.send(done(0xFE, 0, 0, 0))
            return
        if proc == "sp_cursoropen":
            self.cursor_open(entry, params)
            return
        if proc == "sp_execute":
            handle = values.pop(0)["value"]
            declared, sql = self.handles.get(handle, ("", "<unknown handle %s>" % handle))
        elif proc == "sp_executesql":
            sql, declared, values = values[0]["value"], values[1]["value"] or "", values[2:]
        elif proc == "sp_prepare":  # @params, @stmt, @options: nothing to bind yet
            declared, sql, values = values[0]["value"] or "", values[1]["value"], []
        elif proc == "sp_prepexec":
            declared, sql, values = values[0]["value"] or "", values[1]["value"], values[2:]
        else:
            raise ValueError("procedure %s" % proc)
        entry.update(text=sql, params=declared,
                     values=[shown(p["type"], p["value"]) for p in values])
        handle = None
        if proc in ("sp_prepexec", "sp_prepare"):
            handle = self.next_handle
            self.next_handle += 1
            self.handles[handle] = (declared, sql)
        if proc == "sp_prepare":
            # Preparing describes the result, as the server does, and runs nothing.
            self.script.record(entry)
            rule, _ = self.script.answer(sql, peek=True)
            meta = column_metadata(rule["columns"]) if rule and "columns" in rule else b""
            self.send(meta + self.proc_end(handle, False))
            return
        rule = self.rule_for(entry)
        self.describe(entry, rule)
        tokens, failed, _ = result_tokens(rule, True)
        self.send(tokens + self.proc_end(handle, failed))

    def cursor_open(self, entry, params):
        """A server cursor is only answered for a statement without rows, as the
        server does: it runs the statement directly and opens no cursor."""
        entry.update(text=params[1]["value"], values=[shown(p["type"], p["value"])
                                                      for p in params[6:]])
        rule = self.rule_for(entry)
        if "columns" in rule:
            entry["kind"] = "unexpected:" + entry["kind"]
            rule = {"error": {"number": UNEXPECTED, "text": "tdsserver: no server cursors"}}
        self.describe(entry, rule)
        tokens, failed, count = result_tokens(rule, True)
        if not failed:
            tokens = message(0xAB, NO_CURSOR[0], 1, 10, NO_CURSOR[1]) + tokens
        out = b"\x79" + struct.pack("<i", 1 if failed else 0)
        for ordinal, value in ((0, 0), (2, params[2]["value"]), (3, params[3]["value"]),
                               (4, count or 0)):
            out += return_value(ordinal, value or 0)
        self.send(tokens + out + done(0xFE, DONE_ERROR if failed else 0, 0, 0xE0))

    def proc_end(self, handle, failed):
        out = b"\x79" + struct.pack("<i", 1 if failed else 0)
        if handle is not None:
            out += return_value(0, handle)
        return out + done(0xFE, DONE_ERROR if failed else 0, 0, 0xE0)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--script", required=True)
    p.add_argument("--transcript", required=True)
    p.add_argument("--host", default="127.0.0.1")
    p.add_argument("--port", type=int, default=0)
    args = p.parse_args()
    Session.script = Script(args.script, args.transcript)
    try:
        server = Server((args.host, args.port), Session)
    except OSError as e:
        print("ERROR %s" % e, flush=True)
        sys.exit(1)
    host, port = server.server_address
    print("PORT %s %d" % (host, port), flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
