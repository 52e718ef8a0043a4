# An armoured message from quenzal-cli through the channels people send it
# by, each then decrypted exactly: a real mail server (exim) on the loopback
# address, delivering to a local mailbox that is read back (SMTP's CR LF
# line ends and its dot rule apply on the way), and a web form that headless
# Chromium submits to a small server on the loopback address (the browser
# sends every line end as CR LF). The mail quoted by a reply ("> ") and
# indented again decrypts too. Nothing reaches beyond the loopback address.
#
#   channels.sh <quenzal-cli> <lib.sh>
set -eu
CLI=$1
E2E_LIMIT=${E2E_LIMIT:-60}
. "$2"
here=$(dirname "$2")

work=$(mktemp -d)
chmod 755 "$work"
stop() {
    _status=$?
    [ -f "$work/exim/pid" ] && kill "$(cat "$work/exim/pid")" 2>/dev/null || true
    [ -n "${server:-}" ] && kill "$server" 2>/dev/null || true
    [ -n "${browser:-}" ] && kill -- "-$browser" 2>/dev/null || true
    if [ "$_status" -ne 0 ]; then
        sed 's/^/exim: /' "$work"/exim/log/* >&2 2>/dev/null || true
        sed 's/^/chromium: /' "$work/chromium.log" >&2 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap stop EXIT

# A free TCP port on the loopback address.
free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# The message: every kind of line break and characters beyond ASCII.
printf 'Dear Ann,\r\nthe harbour caf\303\251 at noon\nbring \342\200\236the key\342\200\234.\r' \
    >"$work/plain.txt"
printf 'harbour lights\n' >"$work/password"
"$CLI" encrypt --password-file "$work/password" "$work/plain.txt" "$work/sent.asc"

# Decrypts $1 with quenzal-cli and compares it with the message; $2 says what
# carried it.
decrypts_exactly() {
    "$CLI" decrypt --password-file "$work/password" "$1" "$work/read.txt" ||
        fail "quenzal-cli could not decrypt the message $2"
    cmp "$work/plain.txt" "$work/read.txt" || fail "the message $2 did not decrypt exactly"
    rm "$work/read.txt"
}

# --- Mail through exim, on the loopback address only ---
# exim gives up root for a configuration of its own and runs as its own user,
# so its folders are open to it.
mkdir -p "$work/exim/spool" "$work/exim/log" "$work/exim/mail"
chmod 777 "$work/exim" "$work/exim/spool" "$work/exim/log" "$work/exim/mail"
smtp_port=$(free_port)
# Delivery runs as exim's own user when started by root, else as the caller.
if [ "$(id -u)" -eq 0 ]; then
    delivery_user='$exim_uid' delivery_group='$exim_gid'
else
    delivery_user=$(id -u) delivery_group=$(id -g)
fi
cat >"$work/exim/exim.conf" <<CONF
keep_environment =
exim_path = /usr/sbin/exim4
spool_directory = $work/exim/spool
log_file_path = $work/exim/log/%slog
pid_file_path = $work/exim/pid
local_interfaces = 127.0.0.1
primary_hostname = quenzal.test
qualify_domain = quenzal.test
domainlist local_domains = quenzal.test
host_lookup =
rfc1413_hosts =
tls_advertise_hosts =
acl_smtp_rcpt = acl_check_rcpt
begin acl
acl_check_rcpt:
  accept domains = +local_domains
  deny
begin routers
local:
  driver = accept
  domains = +local_domains
  transport = mailbox
begin transports
mailbox:
  driver = appendfile
  file = $work/exim/mail/mailbox
  user = $delivery_user
  group = $delivery_group
  mode = 0666
CONF
# exim reads no configuration that others may write (whatever the umask).
chmod 644 "$work/exim/exim.conf"
exim4 -C "$work/exim/exim.conf" -bd -odi -oX "$smtp_port" -oP "$work/exim/pid"
smtp_ready() {
    python3 -c "import smtplib; smtplib.SMTP('127.0.0.1', $smtp_port, timeout=5).quit()" 2>/dev/null
}
wait_until "exim does not answer on port $smtp_port" smtp_ready

# The mail: a lone dot on a line of its own before the message, LF line ends
# that SMTP turns into CR LF.
python3 - "$smtp_port" "$work/sent.asc" <<'PY'
import smtplib, sys
port, message = int(sys.argv[1]), open(sys.argv[2]).read()
mail = "Subject: the key\n\nHere it is:\n.\n" + message + "\nAnn\n"
with smtplib.SMTP("127.0.0.1", port, local_hostname="client.quenzal.test") as smtp:
    refused = smtp.sendmail("ann@quenzal.test", ["bob@quenzal.test"], mail)
    assert not refused, refused
PY
delivered() {
    grep -q '^Ann$' "$work/exim/mail/mailbox" 2>/dev/null
}
wait_until "the mail did not reach the mailbox" delivered
# The mail's body: what follows the first blank line.
sed '1,/^$/d' "$work/exim/mail/mailbox" >"$work/mail.txt"
grep -qx '\.' "$work/mail.txt" || fail "the lone dot did not come through SMTP"
decrypts_exactly "$work/mail.txt" "from the mailbox"

# A reply quotes the mail, and its writer indents the quote.
sed 's/^/> /' "$work/mail.txt" | sed 's/^/    /' >"$work/reply.txt"
decrypts_exactly "$work/reply.txt" "quoted and indented in a reply"

# --- A web form in headless Chromium ---
cp "$work/sent.asc" "$work/message.asc"
cat >"$work/form.html" <<'HTML'
<!DOCTYPE html>
<html><body>
<form method="post" action="/submit"><textarea name="message" cols="80" rows="24"></textarea></form>
<script>
fetch("/message").then(answer => answer.text()).then(text => {
  document.querySelector("textarea").value = text;
  document.forms[0].submit();
});
</script>
</body></html>
HTML
python3 "$here/form_server.py" "$work" &
server=$!
has_port() { [ -f "$work/port" ]; }
wait_until "the form's server did not start" has_port
# Its own session, so that every process of the browser ends with it; no
# name but the loopback address resolves, and nothing runs in the background.
setsid chromium --headless=new --no-sandbox --disable-gpu --no-first-run \
    --no-default-browser-check --disable-background-networking --disable-component-update \
    --disable-sync --disable-extensions --user-data-dir="$work/profile" \
    --host-resolver-rules="MAP * ~NOTFOUND, EXCLUDE 127.0.0.1" \
    "http://127.0.0.1:$(cat "$work/port")/form" >"$work/chromium.log" 2>&1 &
browser=$!
posted() { [ -f "$work/posted.txt" ]; }
wait_until "the browser did not submit the form" posted
kill -- "-$browser" 2>/dev/null || true
browser=
grep -q "$(printf '\r')\$" "$work/posted.txt" || fail "the form did not carry CR LF line ends"
decrypts_exactly "$work/posted.txt" "submitted through the web form"

echo "PASS"
