"""Python inside the host and the host from python3, as separate processes: `tarn script.py`,
the language's `python` command, exceptions that never end the program, Ctrl-C, and the same
scene from a Python script and from its command-language twin."""

import json
import os
import signal
import subprocess
import sys
import tempfile
import time
import unittest

from support import TARN

PYTHON_ENV = dict(os.environ)


def run(args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, timeout=120, **kwargs)


@unittest.skipUnless(TARN and os.path.exists(TARN), "TARN_PROGRAM names no built tarn")
class InsideTheHost(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.dir.cleanup()

    def write(self, name, text):
        path = os.path.join(self.dir.name, name)
        with open(path, "w") as f:
            f.write(text)
        return path

    def test_same_scene_from_python_and_from_its_command_language_twin(self):
        twin = self.write("twin.tcs", """
loadPlugin -quiet meshKit;
polyCube -n a -sx 2;
move 1 2 3 a;
polySphere -n s -sx 8 -sy 6;
parent s a;
setAttr s.ry 45;
shadingNode -asShader lambert -n mat;
sets -renderable true -noSurfaceShader true -empty -name matSG;
connectAttr -f mat.outColor matSG.surfaceShader;
sets -e -forceElement matSG s;
polyDual a;
select -r a.f[0:2];
print(`describeScene -json`);
""")
        script = self.write("twin.py", """
import tarn
cmds = tarn.cmds
cmds.loadPlugin("meshKit", quiet=True)
cmds.polyCube(n="a", sx=2)
cmds.move(1, 2, 3, "a")
cmds.polySphere(n="s", sx=8, sy=6)
cmds.parent("s", "a")
cmds.setAttr("s.ry", 45)
cmds.shadingNode("lambert", asShader=True, n="mat")
cmds.sets(renderable=True, noSurfaceShader=True, empty=True, name="matSG")
cmds.connectAttr("mat.outColor", "matSG.surfaceShader", f=True)
cmds.sets("s", e=True, forceElement="matSG")
cmds.polyDual("a")
cmds.select("a.f[0:2]", r=True)
print(cmds.describeScene(json=True), end="")
""")
        language = run([TARN, "-q", twin])
        inside = run([TARN, "-q", script])
        outside = run([sys.executable, script], env=PYTHON_ENV)
        for name, r in (("twin.tcs", language), ("tarn twin.py", inside),
                        ("python3 twin.py", outside)):
            self.assertEqual(r.returncode, 0, name + ": " + r.stderr)
        scene = json.loads(language.stdout)
        self.assertTrue(scene["dag"])
        self.assertEqual(json.loads(inside.stdout), scene)
        self.assertEqual(json.loads(outside.stdout), scene)

    def test_python_command_keeps_names_and_a_failure_is_caught(self):
        script = self.write("mixed.tcs", """
python "x = 41";
int $r = catch(`python "raise ValueError('bad value')"`);
python "tarn.cmds.polyCube(n='c%d' % (x + 1))";
python "print('from python')";
print(objExists("c42") + " " + $r + " " + `python "x + 1"` + "\\n");
string $names[] = `python "['a', 'b']"`;
float $point[] = `python "(1, 2.5, 3)"`;
print(size($names) + " " + $names[1] + " " + $point[1] + " " + `python "{'k': 1}"` + "\\n");
""")
        r = run([TARN, "-q", script])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout, "from python\n1 1 42\n2 b 2.5 {'k': 1}\n")
        self.assertIn("ValueError: bad value", r.stderr)

    def test_an_exception_never_ends_the_shell(self):
        r = run([TARN, "-q"], input='python "raise KeyError(7)";\nprint "still here\\n";\n')
        self.assertIn("still here", r.stdout)
        self.assertIn("KeyError: 7", r.stderr)

    def test_script_status_follows_exceptions_and_exit(self):
        cases = (("raise RuntimeError('stop')", 1, "RuntimeError: stop"),
                 ("import sys\nsys.exit(3)", 3, ""),
                 ("import sys\nsys.exit()", 0, ""),
                 ("import tarn\ntarn.cmds.nodeType('ghost')", 1, "TarnError: nodeType: No object"))
        for i, (code, status, message) in enumerate(cases):
            r = run([TARN, self.write("s%d.py" % i, code)])
            self.assertEqual(r.returncode, status, code + "\n" + r.stderr)
            self.assertIn(message, r.stderr)

    def test_ctrl_c_interrupts_a_running_python_script(self):
        for body in ("pass", "tarn.cmds.polyCube(n='spin'); tarn.cmds.delete('spin')"):
            script = self.write("loop.py", "import tarn\nprint('started', flush=True)\n"
                                            "while True:\n    %s\n" % body)
            p = subprocess.Popen([TARN, script], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                 text=True)
            self.assertEqual(p.stdout.readline(), "started\n")
            time.sleep(0.2)
            start = time.monotonic()
            p.send_signal(signal.SIGINT)
            out, err = p.communicate(timeout=30)
            self.assertLess(time.monotonic() - start, 10)
            self.assertEqual(p.returncode, 1, err)
            self.assertIn("KeyboardInterrupt", err)
            self.assertIn("stopped by SIGINT", err)

    def test_top_level_calls_are_journalled_as_command_texts(self):
        script = self.write("journalled.py", """
import tarn
tarn.cmds.polyCube(n='j1', sx=2)
tarn.cmds.move(1, 0, 0, 'j1', r=True)
try:
    tarn.cmds.nodeType('ghost')
except tarn.TarnError:
    pass
with tarn.undo_chunk():
    tarn.cmds.polySphere(n='j2')
""")
        journal = os.path.join(self.dir.name, "journal.jsonl")
        r = run([TARN, "--journal", journal, script])
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(journal) as f:
            entries = [json.loads(line) for line in f if line.strip()]
        python = [(e["text"], e["status"]) for e in entries if e["origin"] == "python"]
        self.assertEqual(python, [('polyCube -n "j1" -sx 2', 0), ('move -r 1 0 0 "j1"', 0),
                                  ('nodeType "ghost"', 1)])

    def test_after_ctrl_c_the_host_runs_no_more_commands(self):
        script = self.write("caught.py", """
import tarn
print('started', flush=True)
try:
    while True:
        pass
except KeyboardInterrupt:
    pass
try:
    tarn.cmds.polyCube()
    print('ran')
except tarn.TarnError as e:
    print('refused:', e)
""")
        p = subprocess.Popen([TARN, script], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             text=True)
        self.assertEqual(p.stdout.readline(), "started\n")
        time.sleep(0.2)
        p.send_signal(signal.SIGINT)
        out, err = p.communicate(timeout=30)
        self.assertEqual(out, "refused: Interrupted.\n", err)
        self.assertEqual(p.returncode, 1)

    def test_ctrl_c_in_the_shell_interrupts_python_and_the_shell_goes_on(self):
        p = subprocess.Popen([TARN, "-q"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, text=True)
        p.stdin.write('python "print(\'started\')\\nwhile True: pass";\n')
        p.stdin.flush()
        self.assertEqual(p.stdout.readline(), "started\n")
        time.sleep(0.2)
        p.send_signal(signal.SIGINT)
        out, err = p.communicate('print "after\\n";\n', timeout=30)
        self.assertEqual(out, "after\n", err)
        self.assertIn("KeyboardInterrupt", err)

    def test_start_up_does_not_load_python(self):
        r = run(["ldd", TARN])
        self.assertEqual(r.returncode, 0)
        self.assertNotIn("libpython", r.stdout)


class OutsideTheHost(unittest.TestCase):
    def test_a_process_that_loaded_plug_ins_ends_cleanly(self):
        code = ("import tarn\ntarn.cmds.loadPlugin('meshKit')\n"
                "tarn.cmds.polyDual(tarn.cmds.polyCube()[0])\nprint('done')\n")
        r = run([sys.executable, "-c", code], env=PYTHON_ENV)
        self.assertEqual((r.returncode, r.stdout), (0, "done\n"), r.stderr)


if __name__ == "__main__":
    unittest.main()
