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
(with both rows and an error, the rows come first)
The first rule that fits answers. A statement that none fits gets error 50000
and is recorded as unexpected. The transcript holds one JSON object a line:
{"conn": 1, "kind": "batch"|"rpc"|"login"|"attention", "text": ..., ...}.
"""

import argparse
import json
import os
import re
import socketserver
import struct
import sys
import threading

from tdswire import (COLLATION, DONE_ATTN, DONE_COUNT, DONE_ERROR, Reader, b_varchar,
                     column_metadata, done, envchange, message, read_rpc, result_tokens,
                     return_value, shown, skip_all_headers, token)

PACKET_REPLY, PACKET_BATCH, PACKET_RPC, PACKET_ATTENTION = 4, 1, 3, 6
PACKET_LOGIN7, PACKET_PRELOGIN = 16, 18
UNEXPECTED = 50000

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
        self.last_was_session = False

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
                    # Cancelling what the client stack asked on its own is its own doing too.
                    self.script.record({"conn": self.conn, "kind": "attention", "text": "",
                                        "session": self.last_was_session})
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
        self.last_was_session = session
        return rule

    def describe(self, entry, rule):
        if "error" in rule and "columns" in rule:
            entry["answer"] = "rows %d then error %d" % (len(rule.get("rows", [])),
                                                         rule["error"]["number"])
        elif "error" in rule:
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
