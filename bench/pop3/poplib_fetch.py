"""RETR every message of a POP3 mailbox with python's poplib and drop it.

usage: poplib_fetch.py HOST PORT USER PASSWORD   (prints the bytes fetched)
"""
import poplib
import sys

host, port, user, password = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
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
