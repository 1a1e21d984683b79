# args: --keep-going
# status: 1
# Sizes that cannot be allocated: a clear error and an object without data,
# never an abort. Byte lengths above 1 GiB are refused with error 8; sizes
# the host's long cannot hold with error 3.
a = LUT2(1073741825)
b = LUT3(178956971)
c = LUTC3(89478486)
print(len(a), len(b), len(c))
t = LUT3()
u = LUTC3()
t.Stretch(1e9)
x = u.Stretch(300000000)
u.Transform(2.0, 0.0, 0, 100000000, RECT())
print(x, len(u))
# Channel lengths whose bytes (6 n, or 12 n for a LUTC3) the host's long
# cannot hold: refused, without data, BaseLine 0. Ramps of large tables
# are computed without wrapping.
x = LUT3(400000000)
z = LUTC3(200000000)
print(len(x), x.BaseLine, len(z), z.BaseLine)
r = LUT3(10000000)
print(r.GetItem(0, 9999999), r.GetItem(0, 8388608), r.GetItem(5, 9999999))
