# args: --keep-going
# status: 1
# Functions: parameters and locals of their own, arguments as copies,
# return, recursion, and errors that name each call on the way.
def fact(n)
  if n <= 1
    return 1
  end
  return n * fact(n - 1)
end
def grow(v)
  v[0] = 99
  append(v, 4)
  return v
end
def nothing()
  x = 1
end
v = [1, 2, 3]
print(fact(10), grow(v), v, nothing(), type(nothing()))
def inner(t)
  return t.GetItem(300)
end
def outer(t)
  y = inner(t)
  return 1
end
print(outer(LUT1()))
print(fact(1, 2))
def first()
  print(x)
end
x = 5
first()
print(later(2))
def later(a)
  return a * 2
end
print(later(2))
# Recursion without end stops the script, even with --keep-going.
def deep(n)
  return deep(n + 1)
end
deep(0)
print("not reached")
