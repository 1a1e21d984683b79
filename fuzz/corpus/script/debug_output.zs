# args: --no-error-range
# Without an error range the module's errors become debug output, and the
# script goes on without an error.
t = LUT1()
print(t.GetItem(256))
print(t.ConvertVoxel(-1))
print("done")
