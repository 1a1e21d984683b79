#!/usr/bin/env python3
"""Writes mr-palette.dcm in the current folder for the demo: pydicom's
MR_small.dcm as a PALETTE COLOR image, its 16-bit values the indices of a
palette of its own (the PET palette's colours spread over 1200 entries of
16 bits, first mapped value 100: values below take the first colour, above
the last)."""
import os

import numpy as np
import pydicom
from pydicom.pixel_data_handlers.util import apply_color_lut

data = os.path.join(os.path.dirname(pydicom.__file__), "data")
ds = pydicom.dcmread(os.path.join(data, "test_files", "MR_small.dcm"))
pet = apply_color_lut(np.arange(256), pydicom.dcmread(
    os.path.join(data, "palettes", "pet.dcm"))).astype("u2")
ramp = np.linspace(0, 255, 1200).round().astype(int)
entries = pet[ramp] * 257
ds.PhotometricInterpretation = "PALETTE COLOR"
ds.PixelRepresentation = 0  # its values are all positive
for k, colour in enumerate(("Red", "Green", "Blue")):
    setattr(ds, colour + "PaletteColorLookupTableDescriptor", [1200, 100, 16])
    ds[0x0028, 0x1101 + k].VR = "US"
    setattr(ds, colour + "PaletteColorLookupTableData",
            entries[:, k].astype("<u2").tobytes())
ds.save_as("mr-palette.dcm")
