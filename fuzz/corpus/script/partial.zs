# args: --keep-going
# status: 1
# In x = obj.Method(...), x receives what the call left in its result even
# when the call raised an error: here nothing, so x becomes empty.
t = LUT1()
x = 5
x = t.GetItem(300)
print(x, type(x))
y = 7
y = t.GetItem(1 / 0)
print(y)
z = LUT1()
z = LUT1(1, 2)
print(type(z))
w = Image(-1, 2, 1)
print(w)
