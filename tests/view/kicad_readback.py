"""Reads a footprint of quorvane-view back with KiCad's own Python module.

Usage: /usr/bin/python3 kicad_readback.py LIB.pretty NAME CLEARANCE

Prints, one per line, in mm: "pad NUMBER X Y" for each pad, "area A" and
"extent X0 Y0 X1 Y1" of the footprint's copper (pads and polygons),
"layers L..." (the copper layers used), then builds a board with the footprint placed, the board outline
5 mm around the footprint, a track of the feed line's width from each pad
outwards and the copper clearance CLEARANCE (mm, the filter's narrowest
gap), saves it, runs KiCad's design-rule check on it and prints
"drc ERRORS WARNINGS" and each violation line of the report.
"""
import os
import re
import sys

import pcbnew

lib, name, clearance = sys.argv[1], sys.argv[2], float(sys.argv[3])
fp = pcbnew.FootprintLoad(lib, name)
mm = pcbnew.FromMM
area = 0.0
layers = set()
boxes = []
for pad in fp.Pads():
    pos = pad.GetPosition()
    print("pad", pad.GetNumber(), pcbnew.ToMM(pos.x), pcbnew.ToMM(pos.y))
    area += pad.GetEffectivePolygon().Area()
    boxes.append(pad.GetBoundingBox())
    layers.update(pcbnew.BOARD.GetStandardLayerName(l) for l in pad.GetLayerSet().CuStack())
for item in fp.GraphicalItems():
    if isinstance(item, pcbnew.FP_SHAPE) and pcbnew.IsCopperLayer(item.GetLayer()):
        area += item.GetPolyShape().Area()
        boxes.append(item.GetBoundingBox())
        layers.add(item.GetLayerName())
print("area", area / 1e12)
print("extent", *(pcbnew.ToMM(v) for v in (min(b.GetX() for b in boxes), min(b.GetY() for b in boxes),
                                           max(b.GetRight() for b in boxes), max(b.GetBottom() for b in boxes))))
print("layers", *sorted(layers))

board_file = os.path.join(lib, name + "-board.kicad_pcb")
board = pcbnew.NewBoard(board_file)
inner = "In1.Cu" in layers
board.SetCopperLayerCount(4 if inner else 2)
fp.SetReference("FL1")
board.Add(fp)
court = fp.GetBoundingBox()
edge = pcbnew.PCB_SHAPE(board)
edge.SetShape(pcbnew.SHAPE_T_RECT)
edge.SetStart(pcbnew.wxPoint(court.GetX() - mm(5), court.GetY() - mm(5)))
edge.SetEnd(pcbnew.wxPoint(court.GetRight() + mm(5), court.GetBottom() + mm(5)))
edge.SetLayer(pcbnew.Edge_Cuts)
edge.SetWidth(mm(0.1))
board.Add(edge)
for pad, net_name, outward in ((fp.FindPadByNumber("1"), "IN", -1), (fp.FindPadByNumber("2"), "OUT", 1)):
    net = pcbnew.NETINFO_ITEM(board, net_name)
    board.Add(net)
    pad.SetNet(net)
    track = pcbnew.PCB_TRACK(board)
    end = pad.GetPosition()
    track.SetStart(pcbnew.wxPoint(end.x + outward * mm(3), end.y))
    track.SetEnd(end)
    track.SetWidth(pad.GetSize().y)
    track.SetLayer(pad.GetLayerSet().CuStack()[0])
    track.SetNet(net)
    board.Add(track)
pcbnew.SaveBoard(board_file, board)
board = pcbnew.LoadBoard(board_file)
board.GetDesignSettings().GetNetClasses().GetDefault().SetClearance(mm(clearance))
report = board_file + ".drc.rpt"
pcbnew.WriteDRCReport(board, report, pcbnew.EDA_UNITS_MILLIMETRES, True)
text = open(report).read()
errors = len(re.findall(r"Severity: error", text))
warnings = len(re.findall(r"Severity: warning", text))
print("drc", errors, warnings)
for line in text.splitlines():
    if line.startswith("["):
        print("violation", line)
