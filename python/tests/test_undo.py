"""Undo from Python: each top-level call is one step, undo_chunk makes one step of several,
also when the block raises; tarn.eval of several statements is one step."""

import unittest

import tarn
from support import unique

cmds = tarn.cmds


def exists(name):
    return cmds.objExists(name) == 1


class UndoSteps(unittest.TestCase):
    def test_each_call_is_one_step(self):
        a, b = unique("stepA"), unique("stepB")
        cmds.polyCube(n=a)
        cmds.polySphere(n=b)
        self.assertTrue(tarn.undo())
        self.assertTrue(exists(a))
        self.assertFalse(exists(b))
        self.assertTrue(tarn.undo())
        self.assertFalse(exists(a))
        self.assertTrue(tarn.redo())
        self.assertTrue(exists(a))

    def test_undo_chunk_groups_calls(self):
        a, b = unique("chunkA"), unique("chunkB")
        with tarn.undo_chunk():
            cmds.polyCube(n=a)
            cmds.polySphere(n=b)
            cmds.move(1, 0, 0, a)
        self.assertTrue(exists(a) and exists(b))
        tarn.undo()
        self.assertFalse(exists(a) or exists(b))
        tarn.redo()
        self.assertTrue(exists(a) and exists(b))
        self.assertEqual(cmds.getAttr(a + ".tx"), 1.0)

    def test_nested_chunks_join_the_outer_one(self):
        a, b = unique("outer"), unique("inner")
        with tarn.undo_chunk():
            cmds.polyCube(n=a)
            with tarn.undo_chunk():
                cmds.polyCube(n=b)
        tarn.undo()
        self.assertFalse(exists(a) or exists(b))

    def test_a_block_that_raises_still_closes_its_step(self):
        a = unique("raised")
        with self.assertRaises(RuntimeError):
            with tarn.undo_chunk():
                cmds.polyCube(n=a)
                raise RuntimeError("from the script")
        self.assertTrue(exists(a))
        later = unique("later")
        cmds.polyCube(n=later)
        tarn.undo()
        self.assertTrue(exists(a))
        self.assertFalse(exists(later))
        tarn.undo()
        self.assertFalse(exists(a))

    def test_eval_is_one_step(self):
        a, b = unique("evalA"), unique("evalB")
        tarn.eval("polyCube -n %s; polyCube -n %s; move 0 2 0 %s" % (a, b, a))
        tarn.undo()
        self.assertFalse(exists(a) or exists(b))

    def test_a_failing_call_adds_no_step(self):
        a = unique("kept")
        cmds.polyCube(n=a)
        with self.assertRaises(tarn.TarnError):
            cmds.setAttr(a + ".tx", "not a number")
        tarn.undo()
        self.assertFalse(exists(a))


if __name__ == "__main__":
    unittest.main()
