# args: --keep-going
# status: 1
# Where errors come from: the plug-in method after the module's own text;
# at most 20 lines a statement, then how many more; a warning once for
# each line that gives a kind that doesn't fit the only signature.
t = LUT2([1, 2], 0)
bad = ""
for i in range(0, 30)
  bad = bad + "\x05\x00"
end
out = t.Convert2To3(bad)
for i in range(0, 3)
  z = LUT1(i)
end
print(len(out), z.ConvertVoxel(1))
print(t.Shrink(2, 1, 1, 0, false))
