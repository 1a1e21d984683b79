#!/usr/bin/env bash
# Links the real scans and palettes the demo reads into the current folder:
# DICOM files (and a folder of slices) that Debian's python3-pydicom ships as its test data.
set -euo pipefail
data=$(/usr/bin/python3 -c 'import os, pydicom; print(os.path.dirname(pydicom.__file__))')/data
ln -sf "$data/test_files/CT_small.dcm" "$data/test_files/MR_small.dcm" \
  "$data/palettes/pet.dcm" "$data/palettes/hotiron.dcm" \
  "$data/test_files/SC_rgb_rle_2frame.dcm" .
# A series of MR slices, stored out of their order.
ln -sfn "$data/test_files/dicomdirtests/98892003/MR700" mr-series
# Colour: a YBR_FULL_422 JPEG, and a PALETTE COLOR image written here
# (with python3-numpy).
ln -sf "$data/test_files/SC_rgb_dcmtk_+eb+cy+np.dcm" ybr-422.dcm
/usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/make_palette_scan.py"
