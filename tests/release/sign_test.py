"""Authenticode signing through scripts/sign.sh, on the build machine:
    sign_test.py SOURCE_DIR BUILD_DIR [unittest args]
A throwaway certificate is made with OpenSSL for each run."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE = BUILD = None


def run(*cmd, check=True):
    return subprocess.run(cmd, check=check, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)


def sign(*args, check=True):
    return run("bash", os.path.join(SOURCE, "scripts", "sign.sh"), *args, check=check)


def verify(exe, ca):
    return run("osslsigncode", "verify", "-CAfile", ca, "-in", exe, check=False)


class Signing(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="torvane-sign-")
        cls.key = os.path.join(cls.dir, "key.pem")
        cls.cert = os.path.join(cls.dir, "cert.pem")
        cls.p12 = os.path.join(cls.dir, "key.p12")
        cls.pass_file = os.path.join(cls.dir, "pass")
        run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", cls.key, "-out", cls.cert,
            "-days", "2", "-subj", "/CN=Torvane Test Signing", "-addext", "extendedKeyUsage=codeSigning")
        with open(cls.pass_file, "w") as f:
            f.write("secret-word\n")
        run("openssl", "pkcs12", "-export", "-inkey", cls.key, "-in", cls.cert, "-out", cls.p12,
            "-passout", "pass:secret-word")
        cls.unsigned = os.path.join(BUILD, "TorvaneSetup.exe")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir, ignore_errors=True)

    def path(self, name):
        return os.path.join(self.dir, name)

    def read(self, path):
        with open(path, "rb") as f:
            return f.read()

    def test_pem_pair_and_pkcs12_signatures_verify_and_hold_only_the_signature(self):
        for name, key_args in (("pem.exe", ["--cert", self.cert, "--key", self.key]),
                               ("p12.exe", ["--pkcs12", self.p12, "--pass-file", self.pass_file])):
            with self.subTest(name):
                signed = self.path(name)
                sign(*key_args, "--out", signed, self.unsigned)
                result = verify(signed, self.cert)
                self.assertEqual(result.returncode, 0, result.stdout)
                self.assertIn("Succeeded", result.stdout)
                self.assertIn("SHA256", result.stdout.upper().replace("-", ""))
                stripped = self.path(name + ".stripped")
                run("osslsigncode", "remove-signature", "-in", signed, "-out", stripped)
                self.assertEqual(self.read(stripped), self.read(self.unsigned),
                                 "the signed program differs from the unsigned one beyond its signature")

    def test_a_changed_byte_or_another_authority_fails_verification(self):
        signed = self.path("tampered.exe")
        sign("--cert", self.cert, "--key", self.key, "--out", signed, self.unsigned)
        data = bytearray(self.read(signed))
        data[len(data) // 2] ^= 0xFF  # inside the payload resource
        with open(signed, "wb") as f:
            f.write(data)
        self.assertNotEqual(verify(signed, self.cert).returncode, 0)

        other_key, other_cert = self.path("other.key"), self.path("other.pem")
        run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", other_key, "-out", other_cert,
            "-days", "2", "-subj", "/CN=Someone Else")
        good = self.path("good.exe")
        sign("--cert", self.cert, "--key", self.key, "--out", good, self.unsigned)
        self.assertNotEqual(verify(good, other_cert).returncode, 0)

    def test_a_fixed_signing_time_gives_the_same_bytes(self):
        first, second = self.path("first.exe"), self.path("second.exe")
        for out in (first, second):
            sign("--cert", self.cert, "--key", self.key, "--time", "1700000000", "--out", out, self.unsigned)
        self.assertEqual(self.read(first), self.read(second))

    def test_in_place_signing_and_refusals(self):
        copy = self.path("in-place.exe")
        shutil.copyfile(self.unsigned, copy)
        sign("--pkcs12", self.p12, "--pass-file", self.pass_file, copy)
        self.assertEqual(verify(copy, self.cert).returncode, 0)

        # A wrong password fails and leaves the program as it was.
        victim = self.path("victim.exe")
        shutil.copyfile(self.unsigned, victim)
        wrong = self.path("wrong-pass")
        with open(wrong, "w") as f:
            f.write("not-it\n")
        result = sign("--pkcs12", self.p12, "--pass-file", wrong, victim, check=False)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("signing", result.stdout)
        self.assertEqual(self.read(victim), self.read(self.unsigned))
        self.assertFalse(os.path.exists(victim + ".signing"))

        # Two kinds of key at once, or none, is a usage error.
        self.assertEqual(sign("--pkcs12", self.p12, "--cert", self.cert, "--key", self.key, victim,
                              check=False).returncode, 2)
        self.assertEqual(sign(victim, check=False).returncode, 2)


if __name__ == "__main__":
    SOURCE, BUILD = sys.argv.pop(1), sys.argv.pop(1)
    unittest.main(verbosity=2)
