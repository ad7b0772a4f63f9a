#version 120
// Last down-sampling step into the one-pixel target the driver reads back: the mean log
// luminance turned back into a luminance.
uniform sampler2D source;
uniform vec2 offsets[4];
varying vec2 uv;

void main()
{
    float sum = 0.0;
    for (int i = 0; i < 4; ++i) {
        sum += texture2D(source, uv + offsets[i]).r;
    }
    gl_FragColor = vec4(exp(sum * 0.25), 0.0, 0.0, 1.0);
}
