"""Signs trasvidora.exe for the release zip where a code-signing certificate is given.

TRASVIDORA_SIGNING_CERTIFICATE names a PKCS#12 file (.pfx) with the certificate and its private
key, TRASVIDORA_SIGNING_PASSWORD_FILE a file that holds its password, and TRASVIDORA_TIMESTAMP_URL,
when set, an RFC 3161 time-stamp server. The signature is Authenticode with SHA-256, carries the
program's name and, as its signing time, the release's time: one program signed with one
certificate and no time stamp is the same bytes every time. The password goes to openssl through a
pipe and to osslsigncode as the name of its file: it is on no command line and never printed.
"""
import datetime
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

CERTIFICATE = "TRASVIDORA_SIGNING_CERTIFICATE"
PASSWORD_FILE = "TRASVIDORA_SIGNING_PASSWORD_FILE"
TIMESTAMP_URL = "TRASVIDORA_TIMESTAMP_URL"
# A time-stamp server answers in a second or two; osslsigncode waits for a silent one for minutes.
TIMESTAMP_TIMEOUT = 20


def refuse(problem):
    sys.exit(f"trasvidora.exe cannot be signed: {problem}")


def signing_files():
    """(certificate, password file) as the environment gives them, or None: no signing."""
    certificate, password_file = os.environ.get(CERTIFICATE), os.environ.get(PASSWORD_FILE)
    if not certificate and not password_file:
        print(f"trasvidora.exe goes into the zip unsigned: {CERTIFICATE} is not set "
              "(docs/releasing.md tells how to sign it)")
        return None
    if not certificate or not password_file:
        refuse(f"{CERTIFICATE} and {PASSWORD_FILE} go together; set both")
    for variable, path in ((CERTIFICATE, certificate), (PASSWORD_FILE, password_file)):
        if not Path(path).is_file():
            refuse(f"{variable} names {path}, which is not a file")
    for tool in ("openssl", "osslsigncode"):
        if shutil.which(tool) is None:
            refuse(f"{tool} is not installed (scripts/setup.sh installs it)")
    return Path(certificate), Path(password_file)


def checked_signer(certificate: Path, password_file: Path):
    """The certificate's subject; refuses, naming the problem, one that cannot sign now."""
    # osslsigncode drops the line ends at the end of the password file: openssl gets the same.
    password = password_file.read_bytes().rstrip(b"\r\n")
    opened = subprocess.run(["openssl", "pkcs12", "-legacy", "-in", str(certificate),
                             "-passin", "stdin", "-info", "-nokeys", "-clcerts"],
                            input=password + b"\n", capture_output=True)
    if opened.returncode != 0 and b"invalid password" in opened.stderr:
        refuse(f"the password in {password_file} does not open {certificate}")
    if opened.returncode != 0:
        refuse(f"{certificate} is not a PKCS#12 (.pfx) certificate file")
    if not re.search(rb"key ?bag", opened.stderr, re.I):
        refuse(f"{certificate} holds no private key")
    if b"-----BEGIN CERTIFICATE-----" not in opened.stdout:
        refuse(f"{certificate} holds no certificate for its private key")
    read = subprocess.run(["openssl", "x509", "-noout", "-subject",
                           "-nameopt", "utf8,sep_comma_plus_space", "-startdate", "-enddate",
                           "-dateopt", "iso_8601", "-ext", "extendedKeyUsage"],
                          input=opened.stdout, capture_output=True, check=True)
    text = read.stdout.decode("utf-8", "replace")
    fields = dict(re.findall(r"^(subject|notBefore|notAfter)=(.*)$", text, re.M))
    subject = fields["subject"]
    if not re.search(r"Extended Key Usage:.*\n.*\bCode Signing\b", text):
        refuse(f"the certificate of {subject} in {certificate} is not for code signing "
               "(its extended key usage lacks Code Signing)")
    now = datetime.datetime.now(datetime.timezone.utc)
    start, end = (datetime.datetime.fromisoformat(fields[edge])
                  for edge in ("notBefore", "notAfter"))
    if end < now:
        refuse(f"the certificate of {subject} in {certificate} expired on {end:%Y-%m-%d}")
    if now < start:
        refuse(f"the certificate of {subject} in {certificate} is valid from {start:%Y-%m-%d} only")
    return subject


def osslsigncode(exe: Path, signed: Path, files, moment, timestamp_url=None):
    """Signs exe into signed; None, or why osslsigncode did not."""
    certificate, password_file = files
    command = ["osslsigncode", "sign", "-pkcs12", str(certificate), "-readpass", str(password_file),
               "-h", "sha256", "-n", "trasvidora", "-time", str(moment),
               "-in", str(exe), "-out", str(signed)]
    if timestamp_url:
        command += ["-ts", timestamp_url]
    signed.unlink(missing_ok=True)  # osslsigncode writes no file that is there already
    try:
        done = subprocess.run(command, capture_output=True, text=True,
                              timeout=TIMESTAMP_TIMEOUT if timestamp_url else None)
    except subprocess.TimeoutExpired:
        return f"no answer within {TIMESTAMP_TIMEOUT} s"
    if done.returncode == 0:
        return None
    said = [line.strip() for line in (done.stderr + done.stdout).splitlines() if line.strip()]
    return said[0] if said else f"osslsigncode ended with status {done.returncode}"


def signed_program(exe: Path, moment: int, folder: Path) -> Path:
    """exe signed, in folder, where a certificate is given; otherwise exe itself."""
    files = signing_files()
    if files is None:
        return exe
    subject = checked_signer(*files)
    signed = folder / exe.name
    timestamp_url = os.environ.get(TIMESTAMP_URL)
    if timestamp_url:
        failure = osslsigncode(exe, signed, files, moment, timestamp_url)
        if failure is None:
            print(f"trasvidora.exe signed by {subject}, time-stamped by {timestamp_url}")
            return signed
        without = f"{timestamp_url} gave no time stamp ({failure})"
    else:
        without = f"{TIMESTAMP_URL} is not set"
    failure = osslsigncode(exe, signed, files, moment)
    if failure is not None:
        refuse(f"osslsigncode: {failure}")
    print(f"trasvidora.exe signed by {subject}, without a time stamp: {without}")
    return signed
