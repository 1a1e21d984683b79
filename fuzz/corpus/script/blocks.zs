def gamma(g)
  v = fill(256, 0)
  for i in range(0, 256)
    v[i] = round(255 * pow(i / 255.0, g))
  end
  return LUT1(v)
end
t = gamma(1 / 2.2)
if t.ConvertVoxel(128) > 180 and not false
  print("bright")
elif 1 != 2
  print(format("%d %x %5.2f %s", 1, 255, 0.5, "s"))
else
  print(str([1, 2]))
end
n = 0
while n < 10
  n = n + 1
  if n == 3
    continue
  end
  if n > 5
    break
  end
end
