"""RETR every message of a POP3 mailbox with python's poplib and drop it.

usage: poplib_fetch.py HOST PORT USER PASSWORD [CAFILE]   (prints the bytes fetched)

With CAFILE it uses POP3_SSL (TLS from the first byte), checked against it.
"""
import poplib
import ssl
import sys

host, port, user, password = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
if len(sys.argv) > 5:
    pop = poplib.POP3_SSL(host, port, context=ssl.create_default_context(cafile=sys.argv[5]))
else:
    pop = poplib.POP3(host, port)
pop.user(user)
pop.pass_(password)
count, _ = pop.stat()
total = 0
for n in range(1, count + 1):
    _, lines, octets = pop.retr(n)
    total += octets
pop.quit()
print(total)
