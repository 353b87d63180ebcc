"""FTP server of the tests: pyftpdlib on a loopback port, with switches for
the faults the update procedures must survive.

Run with Debian's interpreter (/usr/bin/python3). Prints "PORT <n>" once it
listens, then serves until killed.
"""

import argparse
import errno
import os
import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import FilesystemError
from pyftpdlib.handlers import FTPHandler, FileProducer, ThrottledDTPHandler, _FileReadWriteError, _strerror
try:
    from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler
except ImportError:  # python3-openssl missing: --tls is not available
    TLS_FTPHandler = None
from pyftpdlib.servers import ThreadedFTPServer


def name_and_count(text):
    name, _, count = text.rpartition(":")
    return name, int(count)


def parse_args():
    p = argparse.ArgumentParser()
    p.add_argument("--root", required=True)
    p.add_argument("--user", default="plowde")
    p.add_argument("--password", default="@kvnrtx@")
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--no-size", action="store_true", help="SIZE is not understood")
    p.add_argument("--no-mlst", action="store_true", help="MLST is not understood")
    p.add_argument("--refuse", action="append", default=[], help="RETR of NAME gets 550")
    p.add_argument("--cut-226", action="append", default=[], type=name_and_count,
                   help="NAME:N sends N bytes, closes the data connection, replies 226")
    p.add_argument("--cut-426", action="append", default=[], type=name_and_count,
                   help="NAME:N sends N bytes, then replies 426")
    p.add_argument("--stall", action="append", default=[], type=name_and_count,
                   help="NAME:N sends N bytes, then stops sending without closing")
    p.add_argument("--extra-name", action="append", default=[],
                   help="a name added to every NLST reply (need not exist)")
    p.add_argument("--rate", type=int, default=0, help="send at most N bytes a second")
    p.add_argument("--empty-550", action="store_true", help="an empty NLST gets 550")
    p.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"),
                   help="offer explicit TLS (AUTH TLS) with this certificate and key")
    p.add_argument("--tls-required", action="store_true",
                   help="with --tls: refuse login and transfers without TLS")
    p.add_argument("--raw-names", action="store_true",
                   help="names are the bytes on disk, as a Latin-1 server sends them")
    return p.parse_args()


class CutProducer(FileProducer):
    """Sends the first `limit` bytes of a file, then ends as configured."""

    def __init__(self, file, type, limit, ending):
        super().__init__(file, type)
        self.left = limit
        self.ending = ending

    def more(self):
        if self.left > 0:
            data = self.file.read(min(self.buffer_size, self.left))
            self.left -= len(data)
            if data:
                return data
        if self.ending == "426":
            raise _FileReadWriteError(OSError(errno.EIO, "simulated read failure"))
        if self.ending == "stall":
            time.sleep(3600)
        return b""


def tls_base(args):
    """The TLS handler, and a data handler that takes a TLS handshake arriving
    before the transfer command (libcurl starts it at once); pyftpdlib 1.5.7
    would take that early data for a closed connection."""

    class DataHandler(TLS_DTPHandler):
        def readable(self):
            if self._ssl_accepting:
                return True
            return super().readable()

    class Base(TLS_FTPHandler):
        certfile, keyfile = args.tls
        tls_control_required = args.tls_required
        tls_data_required = args.tls_required
        dtp_handler = DataHandler

    return Base


def make_handler(args):
    base = tls_base(args) if args.tls else FTPHandler
    cuts = {}
    for name, count in args.cut_226:
        cuts[name] = (count, "226")
    for name, count in args.cut_426:
        cuts[name] = (count, "426")
    for name, count in args.stall:
        cuts[name] = (count, "stall")

    class Handler(base):
        unicode_errors = "surrogateescape" if args.raw_names else "replace"

        def ftp_RETR(self, file):
            name = os.path.basename(file)
            if name in args.refuse:
                self.respond("550 Access refused.")
                return None
            if name not in cuts:
                return super().ftp_RETR(file)
            try:
                fd = self.run_as_current_user(self.fs.open, file, "rb")
            except (EnvironmentError, FilesystemError) as err:
                self.respond("550 %s." % _strerror(err))
                return None
            limit, ending = cuts[name]
            producer = CutProducer(fd, self._current_type, limit, ending)
            self.push_dtp_data(producer, isproducer=True, file=fd, cmd="RETR")
            return file

        def ftp_NLST(self, path):
            try:
                listing = sorted(self.run_as_current_user(self.fs.listdir, path))
            except (OSError, FilesystemError) as err:
                self.respond("550 %s." % _strerror(err))
                return None
            listing += args.extra_name
            if not listing and args.empty_550:
                self.respond("550 No files found.")
                return None
            data = "".join(name + "\r\n" for name in listing)
            self.push_dtp_data(data.encode("utf8", self.unicode_errors), cmd="NLST")
            return path

    commands = dict(base.proto_cmds)
    if args.no_size:
        commands.pop("SIZE", None)
    if args.no_mlst:
        commands.pop("MLST", None)
        commands.pop("MLSD", None)
    Handler.proto_cmds = commands
    if args.rate:
        class Throttled(ThrottledDTPHandler):
            write_limit = args.rate
        Handler.dtp_handler = Throttled
    if args.tls and (args.rate or cuts):
        sys.exit("--tls cannot be combined with --rate or cut transfers")
    # Cut or stalled transfers must go through the producer, not sendfile().
    Handler.use_sendfile = not cuts
    return Handler


def main():
    args = parse_args()
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elr")
    handler = make_handler(args)
    handler.authorizer = authorizer
    handler.banner = "test server ready"
    server = ThreadedFTPServer(("127.0.0.1", args.port), handler)
    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    import logging

    logging.basicConfig(level=logging.WARNING, stream=sys.stderr)
    main()
