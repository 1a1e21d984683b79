#!/usr/bin/env bash
# Links the real scans and palettes the demo reads into the current folder:
# DICOM files that Debian's python3-pydicom ships as its test data.
set -euo pipefail
data=$(/usr/bin/python3 -c 'import os, pydicom; print(os.path.dirname(pydicom.__file__))')/data
ln -sf "$data/test_files/CT_small.dcm" "$data/test_files/MR_small.dcm" \
  "$data/palettes/pet.dcm" "$data/palettes/hotiron.dcm" .
