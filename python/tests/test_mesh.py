"""tarn.mesh: points and UVs read as arrays and written back in one undoable step."""

import unittest

import tarn
from support import unique

cmds = tarn.cmds

try:
    import numpy
except ImportError:
    numpy = None


def as_rows(values):
    return [tuple(float(x) for x in row) for row in values]


class Points(unittest.TestCase):
    def setUp(self):
        self.box = cmds.polyCube(n=unique("meshBox"), w=2)[0]
        cmds.move(0, 3, 0, self.box)

    def test_points_match_the_language_in_both_spaces(self):
        local = tarn.mesh.points(self.box)
        world = tarn.mesh.points(self.box, world=True)
        self.assertEqual(len(local), 8)
        for v in range(8):
            name = "%s.vtx[%d]" % (self.box, v)
            self.assertEqual(list(local[v]), cmds.pointPosition(name, local=True))
            self.assertEqual(list(world[v]), cmds.pointPosition(name))

    @unittest.skipIf(numpy is None, "NumPy is not installed")
    def test_numpy_round_trip_is_one_undo_step(self):
        points = tarn.mesh.points(self.box)
        self.assertEqual(points.shape, (8, 3))
        moved = points * 2 + numpy.array([0.0, 1.0, 0.0])
        tarn.mesh.set_points(self.box, moved)
        numpy.testing.assert_array_equal(tarn.mesh.points(self.box), moved)
        tarn.undo()
        numpy.testing.assert_array_equal(tarn.mesh.points(self.box), points)
        tarn.redo()
        numpy.testing.assert_array_equal(tarn.mesh.points(self.box), moved)

    def test_sequences_of_triples_are_taken_too(self):
        rows = as_rows(tarn.mesh.points(self.box))
        lifted = [(x, y + 1, z) for x, y, z in rows]
        tarn.mesh.set_points(self.box + "Shape", lifted)
        self.assertEqual(as_rows(tarn.mesh.points(self.box)), lifted)

    def test_bad_points_change_nothing(self):
        rows = as_rows(tarn.mesh.points(self.box))
        with self.assertRaises(ValueError):
            tarn.mesh.set_points(self.box, rows[:7])
        with self.assertRaises(ValueError):
            tarn.mesh.set_points(self.box, [(0, 0)] * 8)
        with self.assertRaisesRegex(ValueError, "finite"):
            tarn.mesh.set_points(self.box, [(float("nan"), 0, 0)] * 8)
        self.assertEqual(as_rows(tarn.mesh.points(self.box)), rows)
        with self.assertRaisesRegex(tarn.TarnError, "No object matches name"):
            tarn.mesh.points("ghost")
        camera = cmds.camera()[0]
        with self.assertRaisesRegex(tarn.TarnError, "is not a mesh"):
            tarn.mesh.points(camera)

    def test_a_mesh_with_history_takes_the_points_as_tweaks(self):
        cmds.loadPlugin("meshKit", quiet=True)
        node = cmds.polyDual(self.box)[0]
        dual = as_rows(tarn.mesh.points(self.box))
        raised = [(x, y + 0.5, z) for x, y, z in dual]
        tarn.mesh.set_points(self.box, raised)
        self.assertEqual(as_rows(tarn.mesh.points(self.box)), raised)
        # The tweaks survive a recompute of the history.
        cmds.polyDual(node, e=True, nbSteps=1)
        self.assertEqual(as_rows(tarn.mesh.points(self.box)), raised)
        tarn.undo()
        self.assertEqual(as_rows(tarn.mesh.points(self.box)), raised)
        tarn.undo()
        self.assertEqual(as_rows(tarn.mesh.points(self.box)), dual)


class Uvs(unittest.TestCase):
    def test_uv_round_trip(self):
        plane = cmds.polyPlane(n=unique("uvPlane"), sx=2, sy=2, ch=False)[0]
        uvs = as_rows(tarn.mesh.uvs(plane))
        self.assertEqual(len(uvs), 9)
        halved = [(u * 0.5, v * 0.5) for u, v in uvs]
        tarn.mesh.set_uvs(plane, halved)
        self.assertEqual(as_rows(tarn.mesh.uvs(plane)), halved)
        tarn.undo()
        self.assertEqual(as_rows(tarn.mesh.uvs(plane)), uvs)
        with self.assertRaises(ValueError):
            tarn.mesh.set_uvs(plane, halved[:3])
        with self.assertRaisesRegex(tarn.TarnError, "no UV set"):
            tarn.mesh.uvs(plane, "noSuchSet")


if __name__ == "__main__":
    unittest.main()
