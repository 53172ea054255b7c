"""tarn.cmds: every kind of command (create, query, edit, a plug-in's, a failing one), flags by
long or short name, repeated flags, results as Python values, tarn.eval and tarn.TarnError."""

import unittest

import tarn
from support import unique

cmds = tarn.cmds


class CreateAndQuery(unittest.TestCase):
    def test_create_answers_names_and_flags_take_long_or_short_names(self):
        short = unique("shortBox")
        long_ = unique("longBox")
        self.assertEqual(cmds.polyCube(n=short, sx=2, sy=3, sz=1), [short, short + "Shape"])
        cmds.polyCube(name=long_, subdivisionsX=2, subdivisionsY=3, subdivisionsZ=1)
        self.assertEqual(cmds.polyEvaluate(short, v=True), cmds.polyEvaluate(long_, vertex=True))
        self.assertEqual(cmds.polyEvaluate(short, f=True), 2 * (6 + 2 + 3))

    def test_results_are_python_values(self):
        box = cmds.polyCube(n=unique("typed"))[0]
        cmds.move(1, 2.5, -3, box)
        self.assertIsInstance(cmds.polyEvaluate(box, v=True), int)
        self.assertIsInstance(cmds.getAttr(box + ".tx"), float)
        self.assertEqual(cmds.xform(box, q=True, t=True), [1.0, 2.5, -3.0])
        self.assertIsInstance(cmds.nodeType(box), str)
        self.assertIsNone(cmds.setAttr(box + ".ty", 4))
        self.assertEqual(cmds.getAttr(box + ".ty"), 4.0)

    def test_query_mode_and_switches(self):
        box = cmds.polyCube(n=unique("queried"))[0]
        cmds.move(0, 1, 0, box)
        self.assertEqual(cmds.xform(box, q=True, ws=True, t=True), [0.0, 1.0, 0.0])
        self.assertEqual(cmds.xform(box, query=True, worldSpace=True, translation=True),
                         [0.0, 1.0, 0.0])
        # False leaves a switch out: object-space vertex, not world-space.
        self.assertEqual(cmds.xform(box + ".vtx[0]", q=True, ws=False, t=True), [-0.5, -0.5, 0.5])

    def test_edit_mode(self):
        box = cmds.polyCube(n=unique("edited"))[0]
        shader = cmds.shadingNode("lambert", asShader=True)
        group = cmds.sets(renderable=True, noSurfaceShader=True, empty=True, name=unique("sg"))
        cmds.connectAttr(shader + ".outColor", group + ".surfaceShader", f=True)
        cmds.sets(box, e=True, forceElement=group)
        self.assertIn(box, " ".join(cmds.sets(group, q=True)))

    def test_repeated_flags_take_a_list_of_uses(self):
        # Two-value flags: a list of tuples is several uses, a tuple one use.
        a, b, c = unique("varA"), unique("varB"), unique("varC")
        cmds.optionVar(iv=[(a, 1), (b, 2)], sv=(c, "text"))
        self.assertEqual([cmds.optionVar(q=a), cmds.optionVar(q=b), cmds.optionVar(q=c)],
                         [1, 2, "text"])
        cmds.optionVar(remove=[a, b, c])
        self.assertEqual(cmds.optionVar(exists=a), 0)
        # Three-value points, by short and long name.
        first = cmds.curve(d=1, p=[(0, 0, 0), (1, 0, 0), (1, 1, 0)])
        second = cmds.curve(degree=1, point=[(0, 0, 0), (1, 0, 0), (1, 1, 0)])
        self.assertEqual(cmds.nodeType(first), "transform")
        self.assertNotEqual(first, second)
        with self.assertRaisesRegex(tarn.TarnError, "point"):
            cmds.curve(d=3, p=[(0, 0, 0)])

    def test_arrays_numpy_and_words_starting_with_a_dash(self):
        self.assertEqual(cmds.sort([3, 1, 2]), [1, 2, 3])
        self.assertEqual(cmds.sort(("b", "a")), ["a", "b"])
        self.assertEqual(cmds.mag((3.0, 4, 0)), 5.0)
        # A positional string is never taken for a flag.
        self.assertEqual(cmds.strip("  -x  "), "-x")
        self.assertEqual(cmds.tokenize("a b,c", " ,"), ["a", "b", "c"])
        self.assertEqual(cmds.tokenize(""), [])
        try:
            import numpy
        except ImportError:
            self.skipTest("NumPy is not installed")
        self.assertEqual(cmds.dot(numpy.array([1.0, 2.0, 3.0]), numpy.arange(3)), 8.0)

    def test_plug_in_command(self):
        cmds.loadPlugin("meshKit", quiet=True)
        box = cmds.polyCube(n=unique("dualBox"))[0]
        node = cmds.polyDual(box)[0]
        self.assertEqual(cmds.nodeType(node), "polyDual")
        self.assertEqual(cmds.polyEvaluate(box, v=True), 6)
        cmds.polyDual(node, e=True, nbSteps=2)
        self.assertEqual(cmds.polyDual(node, q=True, nb=True), 2)
        self.assertIn("polyDual", dir(cmds))


class Failures(unittest.TestCase):
    def test_a_failing_command_raises_with_the_hosts_message_and_changes_nothing(self):
        before = cmds.ls()
        with self.assertRaises(tarn.TarnError) as caught:
            cmds.polyCube(w=-1, n=unique("bad"))
        self.assertIn("-width must be greater than 0", str(caught.exception))
        self.assertEqual(cmds.ls(), before)

    def test_bad_flags_counts_and_names(self):
        with self.assertRaisesRegex(tarn.TarnError, "invalid flag '-noSuchFlag'"):
            cmds.polyCube(noSuchFlag=1)
        with self.assertRaisesRegex(tarn.TarnError, "expected 1 argument, got 2"):
            cmds.nodeType("a", "b")
        with self.assertRaisesRegex(tarn.TarnError, "No object matches name: ghost"):
            cmds.nodeType("ghost")
        with self.assertRaises(AttributeError):
            cmds.noSuchCommand
        with self.assertRaisesRegex(tarn.TarnError, "expected an int"):
            cmds.polyCube(sx="many")

    def test_values_python_cannot_pass(self):
        with self.assertRaisesRegex(TypeError, "cannot pass a dict"):
            cmds.nodeType({"a": 1})
        with self.assertRaisesRegex(TypeError, "takes 3 values"):
            cmds.curve(p=[(0, 0)])
        with self.assertRaisesRegex(OverflowError, "64-bit integer range"):
            cmds.abs(2 ** 70)
        with self.assertRaisesRegex(OverflowError, "64-bit integer range"):
            cmds.sort([1, -2 ** 63 - 1])
        self.assertEqual(cmds.abs(-2 ** 62), 2 ** 62)

    def test_other_threads_are_refused(self):
        import threading
        caught = []

        def call():
            try:
                cmds.polyCube()
            except tarn.TarnError as e:
                caught.append(str(e))
            try:
                tarn.mesh.points("anything")
            except tarn.TarnError as e:
                caught.append(str(e))

        worker = threading.Thread(target=call)
        worker.start()
        worker.join()
        self.assertEqual(len(caught), 2)
        self.assertIn("thread that imported tarn", caught[0])

    def test_the_session_goes_on_after_a_failure(self):
        with self.assertRaises(tarn.TarnError):
            cmds.error("stop")
        self.assertEqual(cmds.clamp(0, 1, 2), 1.0)


class Eval(unittest.TestCase):
    def test_eval_answers_the_last_value_and_shares_the_session(self):
        self.assertEqual(tarn.eval("1 + 2"), 3)
        tarn.eval("global proc int twice(int $x) { return 2 * $x; }")
        self.assertEqual(tarn.eval("twice(21)"), 42)
        # A proc is callable through tarn.cmds too.
        self.assertEqual(cmds.twice(4), 8)
        self.assertEqual(tarn.eval('string $s[] = {"a", "b"}; $s'), ["a", "b"])

    def test_eval_failure_raises(self):
        with self.assertRaisesRegex(tarn.TarnError, "Cannot find procedure"):
            tarn.eval("noSuchCommand 1")
        with self.assertRaisesRegex(tarn.TarnError, "Unterminated string"):
            tarn.eval('print "abc')


if __name__ == "__main__":
    unittest.main()
