# Sourced by the POP3 benchmarks: a private dovecot on 127.0.0.1 serving the
# maildir W/mail/test to user test / password secret.
#
#   start_dovecot W PORT [TLS_PORT CERT KEY]   returns once PORT greets;
#                                              with a certificate, POP3S on TLS_PORT
#   stop_dovecot W
#   write_fetchmailrc W PORT MDA               W/fetchmailrc: fetchmail keeps every
#                                              message and hands each to the command MDA

start_dovecot() {
  local W=$1 port=$2 tls_port=${3:-0} cert=${4:-} key=${5:-}
  local uid gid login_user internal_user internal_group auth_user ssl tls_listener=""
  if [ "$(id -u)" -eq 0 ]; then
    uid=$(id -u mail) gid=$(id -g mail)
    login_user=dovenull internal_user=dovecot internal_group=dovecot auth_user=root
    chown -R mail:mail "$W/mail"
    chmod 0711 "$W"
  else
    uid=$(id -u) gid=$(id -g)
    login_user=$(id -un) internal_user=$(id -un) internal_group=$(id -gn) auth_user=$(id -un)
  fi
  if [ -n "$cert" ]; then
    ssl="ssl = yes
ssl_cert = <$cert
ssl_key = <$key"
    tls_listener="address = 127.0.0.1
    ssl = yes"
  else
    ssl="ssl = no"
  fi
  echo "test:{PLAIN}secret:$uid:$gid::$W/mail/test::" >"$W/users"
  cat >"$W/dovecot.conf" <<CONF
base_dir = $W/run
state_dir = $W/state
log_path = $W/dovecot.log
instance_name = mvbench-$port
protocols = pop3
listen = 127.0.0.1
$ssl
disable_plaintext_auth = no
auth_mechanisms = plain login
default_login_user = $login_user
default_internal_user = $internal_user
default_internal_group = $internal_group
first_valid_uid = $uid
last_valid_uid = $uid
passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%u $W/users
}
userdb {
  driver = passwd-file
  args = username_format=%u $W/users
}
mail_location = maildir:$W/mail/%u
service pop3-login {
  chroot =
  inet_listener pop3 {
    address = 127.0.0.1
    port = $port
  }
  inet_listener pop3s {
    port = $tls_port
    $tls_listener
  }
}
service anvil {
  chroot =
}
service auth {
  user = $auth_user
}
CONF
  /usr/sbin/dovecot -c "$W/dovecot.conf"
  # The port accepts before a login process can answer: wait for the greeting.
  local greeting=""
  for _ in $(seq 200); do
    greeting=$(/usr/bin/python3 -c "
import socket, sys
try:
    s = socket.create_connection(('127.0.0.1', $port), timeout=2); print(s.makefile().readline().strip())
except OSError:
    pass" || true)
    [[ $greeting == +OK* ]] && break
    sleep 0.1
  done
  [[ $greeting == +OK* ]] || { echo "dovecot did not start:" >&2; tail "$W/dovecot.log" >&2; return 1; }
}

stop_dovecot() {
  [ -f "$1/dovecot.conf" ] && /usr/sbin/dovecot -c "$1/dovecot.conf" stop 2>/dev/null || true
}

write_fetchmailrc() {
  cat >"$1/fetchmailrc" <<RC
set no syslog
poll 127.0.0.1 with proto POP3 port $2
  user "test" there with password "secret" is "$(id -un)" here
  sslproto '' options keep fetchall no rewrite mda "$3"
RC
  chmod 600 "$1/fetchmailrc"
}
