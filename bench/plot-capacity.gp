# Plots a table written by agentd_load --table: notes per second, the raw
# TCP baseline and the server's resident memory against signed-in clients.
#
#   gnuplot -e "table='capacity.tsv'; out='docs/capacity.png'" bench/plot-capacity.gp
set terminal pngcairo size 860,500 font "sans,10"
set output out
set datafile separator "\t"
set title "nimbo-agentd on one 2-core machine (loopback)"
set xlabel "signed-in clients, each holding its notification connection"
set ylabel "per second"
set y2label "server resident memory (MiB)"
set ytics nomirror
set y2tics
set yrange [0:*]
set y2range [0:*]
set grid
set key bottom left
plot table using 1:4 with linespoints lw 2 pt 7 title "notes through nimbo-agentd", \
     table using 1:3 with linespoints lw 1 pt 5 dt 2 title "raw TCP connect+send+close", \
     table using 1:($2/1024) axes x1y2 with linespoints lw 2 pt 9 title "server memory (MiB, right)"
