"""An HTTP CONNECT proxy for the tests: tunnels to loopback addresses only,
and prints "CONNECT host:port" for every tunnel it opens.

Run with Debian's interpreter (/usr/bin/python3). Prints "PORT <n>" once it
listens, then serves until killed.
"""

import select
import socket
import sys
import threading


def relay(a, b):
    sockets = [a, b]
    while True:
        readable, _, _ = select.select(sockets, [], [], 60)
        if not readable:
            return
        for s in readable:
            data = s.recv(65536)
            if not data:
                return
            (b if s is a else a).sendall(data)


def serve(client):
    with client:
        request = b""
        while b"\r\n\r\n" not in request:
            chunk = client.recv(4096)
            if not chunk:
                return
            request += chunk
        words = request.split(b"\r\n", 1)[0].decode("latin-1").split()
        if len(words) < 2 or words[0] != "CONNECT":
            client.sendall(b"HTTP/1.1 405 Only CONNECT\r\n\r\n")
            return
        host, _, port = words[1].rpartition(":")
        if host not in ("127.0.0.1", "localhost"):
            client.sendall(b"HTTP/1.1 403 Loopback only\r\n\r\n")
            return
        print("CONNECT %s" % words[1], flush=True)
        with socket.create_connection((host, int(port))) as upstream:
            client.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
            relay(client, upstream)


def main():
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    print("PORT %d" % listener.getsockname()[1], flush=True)
    while True:
        client, _ = listener.accept()
        threading.Thread(target=serve, args=(client,), daemon=True).start()


if __name__ == "__main__":
    sys.exit(main())
