# status: 1
# An error stops the script at its statement; the rest of that statement
# is skipped (print does not run), and nothing after it runs.
t = LUT1()
x = 5
print("before", x)
print("skipped", t.GetItem(256), "too")
print("not reached")
