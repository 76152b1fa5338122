"""A real SMTP server on 127.0.0.1 for the SMTP client's tests.

usage: smtp_server.py OUTDIR [--user test] [--password secret] [--auth-required]
                        [--tls-cert CERT --tls-key KEY [--implicit-tls]]

Binds a free port itself, prints "ready PORT" on stdout once it accepts
connections, and runs until SIGTERM. EHLO announces AUTH PLAIN and LOGIN
without TLS. With a certificate it offers STARTTLS and announces AUTH only
after it; with --implicit-tls it speaks TLS from the first byte instead. Every accepted message becomes OUTDIR/NNNNNN.json (mail_from,
rcpt_tos, auth_user, helo) and OUTDIR/NNNNNN.eml (the DATA after
dot-unstuffing), the .eml renamed into place so it appears complete.
"""
import argparse
import asyncio
import json
import logging
import os
import signal
import socket
import ssl
import sys
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

# aiosmtpd warns when AUTH is offered or required without TLS (the point
# here) and about its own deprecations; keep the test output clean.
warnings.filterwarnings("ignore")
logging.getLogger("mail.log").setLevel(logging.ERROR)


class Store:
    def __init__(self, outdir):
        self.outdir = outdir
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.outdir, "%06d" % self.count)
        auth = session.auth_data
        meta = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "auth_user": auth.login.decode() if isinstance(auth, LoginPassword) else None,
            "helo": session.host_name,
        }
        with open(base + ".json", "w") as f:
            json.dump(meta, f)
        content = envelope.original_content or envelope.content
        with open(base + ".tmp", "wb") as f:
            f.write(content)
        os.rename(base + ".tmp", base + ".eml")
        return "250 OK stored"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("outdir")
    parser.add_argument("--user", default="test")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--auth-required", action="store_true")
    parser.add_argument("--tls-cert")
    parser.add_argument("--tls-key")
    parser.add_argument("--implicit-tls", action="store_true")
    args = parser.parse_args()
    context = None
    if args.tls_cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.tls_cert, args.tls_key)
    starttls = context is not None and not args.implicit_tls

    def authenticator(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword) and auth_data.login == args.user.encode()
              and auth_data.password == args.password.encode())
        return AuthResult(success=ok, handled=False, auth_data=auth_data if ok else None)

    store = Store(args.outdir)
    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    factory = lambda: SMTP(store, authenticator=authenticator, auth_require_tls=starttls,
                           tls_context=context if starttls else None,
                           auth_required=args.auth_required, data_size_limit=256 * 1024 * 1024,
                           loop=loop)
    server = loop.run_until_complete(loop.create_server(
        factory, sock=listener, ssl=context if args.implicit_tls else None))
    loop.add_signal_handler(signal.SIGTERM, loop.stop)
    print("ready %d" % listener.getsockname()[1], flush=True)
    try:
        loop.run_forever()
    finally:
        server.close()
        loop.run_until_complete(server.wait_closed())
        loop.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
