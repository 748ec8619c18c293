-- The game data the later runs start with: a small shop, its texts, six
-- ready-made set-ups, two best laps on level 1, a mission file, the
-- difficulty coefficients and the player's starting set-up.
local function write(path, text)
  assert(HOST.write_file(path, text), path)
end

write("Data/gamedata.txt", [[
// name, display key, price, numbers..., description key, level
[weapons]
gun,t_gun,100,1,2.5,3,4.5,5.5,6,7.5,8.5,d_gun,1
rocket,t_rocket,300,2,1.5,1,0.25,0.75,2,1.25,1.75,d_rocket,3
laser,t_laser,500,3,1,1,1,1,1,1,1,d_laser,4
[mines]
spike,t_spike,50,1,0.5,1.5,2,2.5,3.5,4.5,d_spike,1
[superweapons]
nuke,t_nuke,1000,d_nuke,2
[bumpers]
ram,t_ram,80,1.25,d_ram,1
[equipment]
radar,t_radar,40,0.5,d_radar,1
jammer,t_jammer,60,0.75,d_jammer,2
[armor]
plate,t_plate,200,10,d_plate,3
[engines]
v8,t_v8,400,1,2,3,4.5,5,d_v8,2
[texts]
t_gun,Gun
d_gun,A small gun
t_nuke,Nuke
[presets]
gun,,,,,,,,,0,
gun,,,,,ram,,,,0,
gun,rocket,,,,,,,,0,
rocket,,,,,,,plate,,0,
gun,,,,,,v8,,,0,
laser,,,,,,,,nuke,1,
[records]
1,A,1,5,7
1,B,0,59,3
]])

-- value param1 param2 param3 enemies bonus-chance bonuses
write("Data/Levels/m1.txt", "2.5 7 8 9 a,1 40 hp,1\n"
  .. "-1.25 -1 0 3 b,2 10 nitro,1\n")
write("DATA/coeff.dat", "0.5\n0.5\n0.5\n0.5\n")
write("DATA/player.dat", "gun\nnone\nnone\nspike\nnone\nram\nnone\nnone\n0\nradar\nnone\n")
