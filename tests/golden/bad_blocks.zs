# status: 2
# Statements in the wrong place are syntax errors, found before anything
# runs, each naming its line.
print("never runs")
break
continue
return 1
else
end
def twice(a)
  return a
end
def twice(b)
  return b
end
def len(s)
end
def LUT1()
end
while true
  def inner()
  end
  if 1
  else
  elif 2
  else
  end
end
catch e
try
end
try
catch 5
end
try
catch e
catch f
end
for i in x
if 1 < 2 < 3
end
if 1
  while 2
