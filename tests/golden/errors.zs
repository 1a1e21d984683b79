# args: --keep-going
# status: 1
# What a new user gets wrong: each gets one clear error, and with
# --keep-going the script goes on.
t = LUT1()
print(tt)
t.GetIten(3)
t.getitem(3)
x = Lut1()
t.GetItem()
t.GetItem(1, 2)
t.GetItem("one")
print(t.Width)
t.Len = 5
b = Buffer(8)
b.Len = 5
print(b.Len)
f = FrameBuffer(2, 2, 1)
f.Width = 5
print(f.Width, f.Len, f.IsBufferConnected())
n = 5
n.x = 1
print(n.x)
n.GetItem(1)
print(1 + "a", [1] - "a")
print([1, 2] + [1, 2, 3])
print(1 / 0, 1 % 0)
print(1.5 | 1)
print(-"a")
print(Buffer(-1))
print(FrameBuffer(1, 1, 1, 1))
print(t * 2)
LUT2().Convert2To3(o, px)
t.GetIten(o)
print(len(empty))
print(-empty)
print("reached the end")
