"""A TLS server on 127.0.0.1 that offers only TLS 1.0 and 1.1.

usage: legacy_tls_server.py CERT KEY

Prints "ready PORT" once it accepts connections and serves until SIGTERM:
each client that completes the handshake gets "+OK" and is closed.
"""
import socket
import ssl
import sys
import warnings

warnings.filterwarnings("ignore")  # the old versions are deprecated: the point here


def main():
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.set_ciphers("ALL:@SECLEVEL=0")
    context.minimum_version = ssl.TLSVersion.TLSv1
    context.maximum_version = ssl.TLSVersion.TLSv1_1
    context.load_cert_chain(sys.argv[1], sys.argv[2])
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(4)
    print("ready %d" % listener.getsockname()[1], flush=True)
    while True:
        client, _ = listener.accept()
        try:
            with context.wrap_socket(client, server_side=True) as tls:
                tls.sendall(b"+OK\r\n")
        except (ssl.SSLError, OSError):
            client.close()


if __name__ == "__main__":
    sys.exit(main())
