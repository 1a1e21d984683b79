"""The zorl module from Python: the demo's CT slice windowed, through a
palette, and an error caught. Run in the demo's folder (bash scripts/demo.sh
makes it):

    PYTHONPATH=build/python /usr/bin/python3 examples/python_first.py
"""
import numpy as np

import zorl

ct = zorl.read_image("CT_small.dcm")  # the reader that scripts use
print("CT_small.dcm:", ct.pixels.dtype, ct.pixels.shape,
      "rescale", ct.rescale_slope, ct.rescale_intercept)

# A soft-tissue window (level 40, width 400 HU) over the stored values the
# slice holds: BaseLine -low puts the lowest at entry 0.
low, high = int(ct.pixels.min()), int(ct.pixels.max())
hu = np.arange(low, high + 1) * ct.rescale_slope + ct.rescale_intercept
entries = np.clip((hu - (40 - 200)) * 255 / 400, 0, 255).astype(int)
t = zorl.LUT2(entries.tolist(), -low)
img8 = t.Convert2To1(ct.pixels)  # int16 (128, 128) in, uint8 (128, 128) out
zorl.write_image("python-ct-soft.png", img8)

pet = zorl.LUT3(*zorl.read_palette("pet.dcm"))
bgr = pet.Convert1To3(img8)  # (128, 128, 3): blue, green, red
zorl.write_image("python-ct-pet.png", bgr)
print("wrote python-ct-soft.png", img8.shape, "and python-ct-pet.png",
      bgr.shape)

try:
    zorl.LUT2([1, 2, 3], 0).Convert2To3(np.array([0, 7, 1, 9], np.int16))
except zorl.LutError as e:
    print("error", e.number, "in", e.method, "-", len(e.errors), "pixels "
          "outside the table; the others converted:", e.result[:, 0].tolist())
