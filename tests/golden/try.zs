# args: --keep-going
# status: 1
# try ... catch: an error of the try block, however deep in calls, lands in
# the catch, neither reported nor counted; an error in a catch goes on
# outwards, to an enclosing try or reported as any other.
def inner(t)
  return t.GetItem(300)
end
def outer(t)
  x = inner(t)
  print("not reached")
end
try
  outer(LUT1())
  print("not reached")
catch e
  print(type(e), e.number, e.text, e.method, e.line, e.count)
end
try
  y = 1 / 0
catch
  print("caught without a name")
end
# One call's many errors: the first, how many, the first 20. What the call
# left is kept, inside a try too.
bad = ""
for i in range(0, 22)
  bad = bad + "\x05\x00"
end
x = 5
try
  out = LUT2([1, 2], 0).Convert2To3(bad)
catch e
  print(e.count, len(e.errors), e.errors[19].text, e.errors[0].method)
end
try
  x = LUT1().GetItem(256)
catch e
end
print(len(out), x)
# An error in a catch reaches the try around it; a try in a catch works.
try
  try
    z = nope
  catch e
    print("inner", e.number, e.text)
    z = [1][5]
  end
catch e
  print("outer", e.number, e.line)
  try
    LUT1(1, 2)
  catch e
    print("in the catch", e.number)
  end
end
# break, continue and return leave a try block as any block.
def find(v)
  for x in v
    try
      if x == 0
        continue
      end
      if x == 3
        return 100 / x
      end
      y = 10 / (x - 2)
    catch e
      print("skip", x, e.text)
    end
  end
end
print(find([0, 1, 2, 3]))
while true
  try
    break
  catch e
  end
end
# The limits and refused allocations are caught like any error.
def deep(n)
  return deep(n + 1)
end
for s in ["deep(0)", "fill(100000000, 0)", "Buffer(2000000000)"]
  try
    if s == "deep(0)"
      deep(0)
    elif s == "fill(100000000, 0)"
      v = fill(100000000, 0)
    else
      b = Buffer(2000000000)
    end
  catch e
    print(s, e.number, e.line)
  end
end
# Outside any try an error in a catch is an ordinary error.
try
  w = nope
catch e
  w = nope2
  print("after", e.text)
end
