"""Windows a CT series on a Dask cluster with the zorl module: each worker
converts its slices through the same table, pickled to it, and the result
is byte for byte what one process gives.

    PYTHONPATH=build/python /usr/bin/python3 examples/python_dask.py
    PYTHONPATH=build/python /usr/bin/python3 examples/python_dask.py tcp://scheduler:8786

Without an address it starts a local cluster of two worker processes. The
workers need the zorl module too (the same PYTHONPATH, or an install).
"""
import sys

import numpy as np

import zorl


def series(slices, size=256):
    """A synthetic CT volume: int16 Hounsfield units, air around a body of
    soft tissue with a bone in it, changing from slice to slice."""
    y, x = np.mgrid[:size, :size] - size / 2
    out = np.full((slices, size, size), -1000, np.int16)
    for k in range(slices):
        body = x * x + y * y < (size * 0.4) ** 2
        bone = (x - k) ** 2 + y * y < (size * 0.08) ** 2
        out[k][body] = 40 + (k * 7) % 20
        out[k][bone] = 700
    return out


def window(center, width):
    """A LUT2 for signed pixels -2048..2047: the window center +- width/2
    stretched over 0..255 (BaseLine 2048 puts pixel -2048 at entry 0)."""
    hu = np.arange(4096) - 2048
    v = np.clip((hu - (center - width / 2)) * 255.0 / width, 0, 255)
    return zorl.LUT2(v.astype(int).tolist(), 2048)


def main(address=None, workers=2, slices=32):
    import dask.array as da
    from dask.distributed import Client, LocalCluster

    volume = series(slices)
    t = window(40, 400)
    cluster = None
    if address is None:
        cluster = LocalCluster(n_workers=workers, threads_per_worker=1,
                               processes=True, dashboard_address=None)
    try:
        with Client(address or cluster) as client:
            vol = da.from_array(volume, chunks=(8, 256, 256))
            # t travels to the workers pickled: its class, entries and
            # BaseLine; the pixels go as numpy blocks.
            out = vol.map_blocks(t.Convert2To1, dtype=np.uint8)
            on_cluster = client.compute(out).result()
    finally:
        if cluster is not None:
            cluster.close()
    return on_cluster, t.Convert2To1(volume)


if __name__ == "__main__":
    a, b = main(sys.argv[1] if len(sys.argv) > 1 else None)
    print("cluster:", a.shape, a.dtype, "identical to one process:",
          a.tobytes() == b.tobytes())
