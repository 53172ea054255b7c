"""Builds a small scene from Python, runs meshKit and a slicePen stroke on it, bakes a map and
writes a snapshot.

Run from the repository root, inside the host or with Debian's python3:

    build/bin/tarn examples/python/build_scene.py
    PYTHONPATH=build/python /usr/bin/python3 examples/python/build_scene.py

The pictures go to out/python (made when missing), never beside this script.
"""

import os

import tarn

cmds = tarn.cmds
OUT = os.path.join("out", "python")
os.makedirs(OUT, exist_ok=True)

cmds.loadPlugin("meshKit", quiet=True)
cmds.loadPlugin("slicePen", quiet=True)
cmds.loadPlugin("surfaceBake", quiet=True)

# A cube turned into its dual (an octahedron), kept in its construction history.
box, _ = cmds.polyCube(n="box", w=1.5, h=1.5, d=1.5)
dual = cmds.polyDual(box)[0]
print("polyDual:", cmds.polyEvaluate(box, v=True), "vertices,",
      cmds.polyEvaluate(box, f=True), "faces")
cmds.move(-2.5, 0, 0, box)

# A cylinder whose points are lifted into a slight bulge through NumPy-like rows of numbers.
can = cmds.polyCylinder(n="can", r=1, h=2, sx=12, sy=1, sc=0)[0]
cmds.setAttr("canShape.bck", 0)
points = tarn.mesh.points("can")
bulged = [(x * 1.1, y, z * 1.1) for x, y, z in points]
tarn.mesh.set_points("can", bulged)

# The view: a camera in front, the cylinder selected, the slicePen tool with its defaults.
cam = cmds.camera(p=(0, 0, 9))[0]
cmds.viewCamera(cam)
cmds.viewPort(480, 360)
cmds.viewFit()
cmds.select(can, r=True)
context = cmds.slicePenContext()
cmds.setToolTo(context)

# One stroke across the cylinder's middle, from left to right, as a mouse would draw it.
stroke = []
for x in (-1.6, -0.8, 0.0, 0.8, 1.6):
    stroke += cmds.viewProject(x, 0, 0)
before = cmds.polyEvaluate(can, f=True)
cmds.viewStroke(stroke)
print("slicePen: the cylinder went from", before, "to", cmds.polyEvaluate(can, f=True), "faces")
cmds.setToolTo(tarn.eval("$gSelect"))  # back to the select tool

# Normals of the cylinder baked into its UV space.
cmds.select(can, r=True)
files = cmds.surfaceBake(cf=0, fo="png", wt=256, ht=256, fn=os.path.join(OUT, "can"),
                         at="normal")
print("baked", files[0])

# A snapshot of the whole scene from above and in front.
above = cmds.camera(p=(0, 5, 9))[0]
cmds.rotate(-28, 0, 0, above)
snapshot = os.path.join(OUT, "scene.png")
cmds.viewSnapshot(camera=above, width=640, height=360, o=snapshot)
print("wrote", snapshot)
